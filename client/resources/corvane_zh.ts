<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>拥堵</source>
        <translation>拥堵</translation>
    </message>
    <message>
        <source>违停</source>
        <translation>违停</translation>
    </message>
    <message>
        <source>逆行</source>
        <translation>逆行</translation>
    </message>
    <message>
        <source>行人</source>
        <translation>行人</translation>
    </message>
    <message>
        <source>抛撒物</source>
        <translation>抛撒物</translation>
    </message>
    <message>
        <source>烟雾</source>
        <translation>烟雾</translation>
    </message>
    <message>
        <source>压线</source>
        <translation>压线</translation>
    </message>
    <message>
        <source>低速行驶</source>
        <translation>低速行驶</translation>
    </message>
    <message>
        <source>变道</source>
        <translation>变道</translation>
    </message>
    <message>
        <source>掉头</source>
        <translation>掉头</translation>
    </message>
    <message>
        <source>机占非</source>
        <translation>机占非</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>加塞</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>路障</translation>
    </message>
    <message>
        <source>施工</source>
        <translation>施工</translation>
    </message>
    <message>
        <source>交通事故</source>
        <translation>交通事故</translation>
    </message>
    <message>
        <source>能见度</source>
        <translation>能见度</translation>
    </message>
    <message>
        <source>火灾</source>
        <translation>火灾</translation>
    </message>
    <message>
        <source>无效</source>
        <translation>无效</translation>
    </message>
    <message>
        <source>畅通</source>
        <translation>畅通</translation>
    </message>
    <message>
        <source>拥挤</source>
        <translation>拥挤</translation>
    </message>
    <message>
        <source>堵塞</source>
        <translation>堵塞</translation>
    </message>
    <message>
        <location filename="../monitor/ClientStartup.cpp"/>
        <source>Corvane</source>
        <translation>Corvane</translation>
    </message>
    <message>
        <location filename="../monitor/ClientStartup.cpp"/>
        <source>Corvane崩溃捕获模块失败。</source>
        <translation>Corvane崩溃捕获模块失败。</translation>
    </message>
</context>
<context>
    <name>CorvaneClass</name>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>Corvane 交通事件检测</source>
        <translation>Corvane 交通事件检测</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>日期</source>
        <translation>日期</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>通道列表</source>
        <translation>通道列表</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>事件列表</source>
        <translation>事件列表</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>首页</source>
        <translation>首页</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>上一页</source>
        <translation>上一页</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>下一页</source>
        <translation>下一页</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>尾页</source>
        <translation>尾页</translation>
    </message>
</context>
<context>
    <name>Corvane</name>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>视频预览</source>
        <translation>视频预览</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>综合查询</source>
        <translation>综合查询</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>拥堵</source>
        <translation>拥堵</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>违停</source>
        <translation>违停</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>逆行</source>
        <translation>逆行</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>行人</source>
        <translation>行人</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>抛撒物</source>
        <translation>抛撒物</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>烟雾</source>
        <translation>烟雾</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>压线</source>
        <translation>压线</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>能见度</source>
        <translation>能见度</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>施工</source>
        <translation>施工</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>变道</source>
        <translation>变道</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>掉头</source>
        <translation>掉头</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>机占非</source>
        <translation>机占非</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>加塞</source>
        <translation>加塞</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>路障</source>
        <translation>路障</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>交通事故</source>
        <translation>交通事故</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>火灾</source>
        <translation>火灾</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>低速行驶</source>
        <translation>低速行驶</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>登录失败</source>
        <translation>登录失败</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>删除通道失败</source>
        <translation>删除通道失败</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>获取通道失败</source>
        <translation>获取通道失败</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>设备登录成功</source>
        <translation>设备登录成功</translation>
    </message>
</context>
<context>
    <name>MessageInfoDlg</name>
    <message>
        <source>提示</source>
        <translation>提示</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>版本</translation>
    </message>
    <message>
        <source>Corvane 交通事件检测客户端</source>
        <translation>Corvane 交通事件检测客户端</translation>
    </message>
</context>
<context>
    <name>DefaultNoDataPic</name>
    <message>
        <source>无列表数据</source>
        <translation>无列表数据</translation>
    </message>
</context>
<context>
    <name>AddDeviceDlg</name>
    <message>
        <source>添加服务器设备</source>
        <translation>添加服务器设备</translation>
    </message>
    <message>
        <source>修改服务器设备</source>
        <translation>修改服务器设备</translation>
    </message>
    <message>
        <source>服务器名称</source>
        <translation>服务器名称</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt; *&lt;/span&gt;服务器IP&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt; *&lt;/span&gt;服务器IP&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;       *&lt;/span&gt;端口&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;       *&lt;/span&gt;端口&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;*&lt;/span&gt;用户名&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;*&lt;/span&gt;用户名&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;*&lt;/span&gt;密码&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" color:#ff0000;"&gt;*&lt;/span&gt;密码&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>确定并继续</source>
        <translation>确定并继续</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>设备IP不能为空</source>
        <translation>设备IP不能为空</translation>
    </message>
    <message>
        <source>设备IP无效</source>
        <translation>设备IP无效</translation>
    </message>
    <message>
        <source>设备端口不能为空</source>
        <translation>设备端口不能为空</translation>
    </message>
    <message>
        <source>设备端口无效</source>
        <translation>设备端口无效</translation>
    </message>
    <message>
        <source>用户名不能为空</source>
        <translation>用户名不能为空</translation>
    </message>
    <message>
        <source>用户名过长</source>
        <translation>用户名过长</translation>
    </message>
    <message>
        <source>密码不能为空</source>
        <translation>密码不能为空</translation>
    </message>
    <message>
        <source>密码过长</source>
        <translation>密码过长</translation>
    </message>
</context>
<context>
    <name>Corvane</name>
    <message>
        <source>恢复连接</source>
        <translation>恢复连接</translation>
    </message>
    <message>
        <source>异常掉线</source>
        <translation>异常掉线</translation>
    </message>
    <message>
        <source>设备已存在</source>
        <translation>设备已存在</translation>
    </message>
    <message>
        <source>正在获取设备通道信息，请稍候...</source>
        <translation>正在获取设备通道信息，请稍候...</translation>
    </message>
    <message>
        <source>请选择待修改的设备！</source>
        <translation>请选择待修改的设备！</translation>
    </message>
    <message>
        <source>请选中要删除的服务器</source>
        <translation>请选中要删除的服务器</translation>
    </message>
</context>
</TS>
