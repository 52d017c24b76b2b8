<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>file (*.csv)</source>
        <translation>file (*.csv)</translation>
    </message>
    <message>
        <source>拥堵</source>
        <translation>Congestion</translation>
    </message>
    <message>
        <source>违停</source>
        <translation>Illegal parking</translation>
    </message>
    <message>
        <source>逆行</source>
        <translation>Wrong way</translation>
    </message>
    <message>
        <source>行人</source>
        <translation>Pedestrian</translation>
    </message>
    <message>
        <source>抛撒物</source>
        <translation>Dropped objects</translation>
    </message>
    <message>
        <source>烟雾</source>
        <translation>Smoke</translation>
    </message>
    <message>
        <source>压线</source>
        <translation>Line pressing</translation>
    </message>
    <message>
        <source>低速行驶</source>
        <translation>Low speed</translation>
    </message>
    <message>
        <source>变道</source>
        <translation>Lane change</translation>
    </message>
    <message>
        <source>掉头</source>
        <translation>U-turn</translation>
    </message>
    <message>
        <source>机占非</source>
        <translation>Car in bike lane</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>Roadblock</translation>
    </message>
    <message>
        <source>施工</source>
        <translation>Construction</translation>
    </message>
    <message>
        <source>交通事故</source>
        <translation>Traffic accident</translation>
    </message>
    <message>
        <source>能见度</source>
        <translation>Low visibility</translation>
    </message>
    <message>
        <source>火灾</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>无效</source>
        <translation>Invalid</translation>
    </message>
    <message>
        <source>畅通</source>
        <translation>Free-flowing</translation>
    </message>
    <message>
        <source>拥挤</source>
        <translation>Crowded</translation>
    </message>
    <message>
        <source>堵塞</source>
        <translation>Jammed</translation>
    </message>
    <message>
        <location filename="../monitor/ClientStartup.cpp"/>
        <source>Corvane</source>
        <translation>Corvane</translation>
    </message>
    <message>
        <location filename="../monitor/ClientStartup.cpp"/>
        <source>Corvane崩溃捕获模块失败。</source>
        <translation>Corvane could not start its crash capture.</translation>
    </message>
</context>
<context>
    <name>CorvaneClass</name>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>Corvane 交通事件检测</source>
        <translation>Corvane Incidents</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>中文</source>
        <translation>English</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>通道列表</source>
        <translation>Channels</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>事件列表</source>
        <translation>Incidents</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>首页</source>
        <translation>First</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>上一页</source>
        <translation>Previous</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>下一页</source>
        <translation>Next</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.ui"/>
        <source>尾页</source>
        <translation>Last</translation>
    </message>
</context>
<context>
    <name>Corvane</name>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>报警端口%1无法监听（可能已被其他程序占用），本次运行收不到设备报警。请关闭占用该端口的程序后重新启动客户端。</source>
        <translation>The alarm port %1 cannot be listened on (another program may be using it): no device alarms will arrive in this run. Close the program using the port and restart the client.</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>配置文件config.ini无法读取，本次使用默认设置，且不会保存设置。</source>
        <translation>The settings file config.ini cannot be read: this run uses the default settings and does not save settings.</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>配置文件config.ini无法读取，已改名保存为%1，本次使用默认设置。</source>
        <translation>The settings file config.ini cannot be read: it was kept as %1 and this run uses the default settings.</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>数据保存目录%1无法写入（%2），报警图片和录像将无法保存。请在 配置 中选择可写入的目录。</source>
        <translation>The data folder %1 cannot be written (%2): alarm pictures and clips cannot be saved. Choose a writable folder in Settings.</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>数据库文件%1无法使用（已损坏或不是本程序的数据库），设备列表为空，本次运行的报警不会保存。文件未被改动，详情见日志。</source>
        <translation>The database file %1 cannot be used (it is damaged or not this program's database): the device list is empty and alarms of this run are not saved. The file was left unchanged; the log has the details.</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>正在获取设备通道信息，请稍候...</source>
        <translation>Reading the device&apos;s channels, please wait...</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>1分屏</source>
        <translation>1 pane</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>4分屏</source>
        <translation>4 panes</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>6分屏</source>
        <translation>6 panes</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>9分屏</source>
        <translation>9 panes</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>16分屏</source>
        <translation>16 panes</translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>如需选择</source>
        <translation>To choose </translation>
    </message>
    <message>
        <location filename="../monitor/CorvanePreview.cpp"/>
        <source>，请在 配置-码流类型 选择【子码流】！</source>
        <translation>, select [Sub stream] under Settings - Stream type!</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>视频预览</source>
        <translation>Live Video</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>综合查询</source>
        <translation>Records</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>中文</source>
        <translation>English</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>拥堵</source>
        <translation>Congestion</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>违停</source>
        <translation>Illegal parking</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>逆行</source>
        <translation>Wrong way</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>行人</source>
        <translation>Pedestrian</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>抛撒物</source>
        <translation>Dropped objects</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>烟雾</source>
        <translation>Smoke</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>压线</source>
        <translation>Line pressing</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>能见度</source>
        <translation>Low visibility</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>施工</source>
        <translation>Construction</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>变道</source>
        <translation>Lane change</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>掉头</source>
        <translation>U-turn</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>机占非</source>
        <translation>Car in bike lane</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>路障</source>
        <translation>Roadblock</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>交通事故</source>
        <translation>Traffic accident</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>火灾</source>
        <translation>Fire</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>低速行驶</source>
        <translation>Low speed</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>登录失败</source>
        <translation> login failed</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>删除通道失败</source>
        <translation> deleting channels failed</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>获取通道失败</source>
        <translation>reading channels failed</translation>
    </message>
    <message>
        <location filename="../monitor/CorvaneDevices.cpp"/>
        <source>保存失败</source>
        <translation> storing failed</translation>
    </message>
    <message>
        <location filename="../monitor/CorvaneDevices.cpp"/>
        <source>删除设备失败</source>
        <translation>Deleting the device failed</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>报警无法保存，设备将保留报警并重新发送</source>
        <translation>Alarms cannot be saved; the devices keep them and send them again</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>报警已恢复保存</source>
        <translation>Alarms are saved again</translation>
    </message>
    <message>
        <location filename="../monitor/Corvane.cpp"/>
        <source>设备登录成功</source>
        <translation>Devices logged in</translation>
    </message>
    <message>
        <source>恢复连接</source>
        <translation> reconnected</translation>
    </message>
    <message>
        <source>异常掉线</source>
        <translation> dropped</translation>
    </message>
    <message>
        <source>设备已存在</source>
        <translation>The device exists already</translation>
    </message>
    <message>
        <source>请选择待修改的设备！</source>
        <translation>Please choose a device to modify!</translation>
    </message>
    <message>
        <source>请选中要删除的服务器</source>
        <translation>Please select the server to delete</translation>
    </message>
    <message>
        <source>事件报警</source>
        <translation>incident alarm</translation>
    </message>
</context>
<context>
    <name>ConfigDialog</name>
    <message>
        <source>配置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>开机自启动</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>开启语音播报</source>
        <translation>Speak incidents</translation>
    </message>
    <message>
        <source>截取短录像</source>
        <translation>Incident clips</translation>
    </message>
    <message>
        <source> （1-50s）</source>
        <translation> (1-50 s)</translation>
    </message>
    <message>
        <source>全天录像</source>
        <translation>All-day recording</translation>
    </message>
    <message>
        <source>数据存储</source>
        <translation>Data folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>码流类型</source>
        <translation>Stream type</translation>
    </message>
    <message>
        <source>主码流</source>
        <translation>Main stream</translation>
    </message>
    <message>
        <source>子码流</source>
        <translation>Sub stream</translation>
    </message>
    <message>
        <source>（主码流最多支持4分屏预览）</source>
        <translation>(main stream: at most 4 panes)</translation>
    </message>
    <message>
        <source>显示事件</source>
        <translation>Incidents shown</translation>
    </message>
    <message>
        <source>选择保存路径</source>
        <translation>Choose the data folder</translation>
    </message>
    <message>
        <source>保存路径不能为空</source>
        <translation>The data folder must not be empty</translation>
    </message>
    <message>
        <source>截取短录像时间不能为空</source>
        <translation>Enter the clip length</translation>
    </message>
    <message>
        <source>截取短录像时间须为1-50秒</source>
        <translation>The clip length must be 1 to 50 seconds</translation>
    </message>
    <message>
        <source>数据存储路径须为绝对路径</source>
        <translation>The data folder must be an absolute path</translation>
    </message>
    <message>
        <source>数据存储路径无法创建或不可写</source>
        <translation>The data folder cannot be created or written to</translation>
    </message>
    <message>
        <source>开机自启动设置失败</source>
        <translation>Starting with the system could not be changed</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>行人</source>
        <translation>Pedestrian</translation>
    </message>
    <message>
        <source>拥堵</source>
        <translation>Congestion</translation>
    </message>
    <message>
        <source>烟雾</source>
        <translation>Smoke</translation>
    </message>
    <message>
        <source>违停</source>
        <translation>Illegal parking</translation>
    </message>
    <message>
        <source>压线</source>
        <translation>Line pressing</translation>
    </message>
    <message>
        <source>逆行</source>
        <translation>Wrong way</translation>
    </message>
    <message>
        <source>抛撒物</source>
        <translation>Dropped objects</translation>
    </message>
    <message>
        <source>能见度</source>
        <translation>Low visibility</translation>
    </message>
    <message>
        <source>施工</source>
        <translation>Construction</translation>
    </message>
    <message>
        <source>变道</source>
        <translation>Lane change</translation>
    </message>
    <message>
        <source>掉头</source>
        <translation>U-turn</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>Roadblock</translation>
    </message>
    <message>
        <source>事故</source>
        <translation>Accident</translation>
    </message>
    <message>
        <source>机占非</source>
        <translation>Car in bike lane</translation>
    </message>
    <message>
        <source>火灾</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>低速行驶</source>
        <translation>Low speed</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存配置参数成功</source>
        <translation>Settings saved</translation>
    </message>
    <message>
        <source>保存配置参数失败</source>
        <translation>The settings could not be saved</translation>
    </message>
</context>
<context>
    <name>QuickSetDialog</name>
    <message>
        <source>配置显示事件</source>
        <translation>Incidents shown</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>行人</source>
        <translation>Pedestrian</translation>
    </message>
    <message>
        <source>拥堵</source>
        <translation>Congestion</translation>
    </message>
    <message>
        <source>烟雾</source>
        <translation>Smoke</translation>
    </message>
    <message>
        <source>违停</source>
        <translation>Illegal parking</translation>
    </message>
    <message>
        <source>压线</source>
        <translation>Line pressing</translation>
    </message>
    <message>
        <source>逆行</source>
        <translation>Wrong way</translation>
    </message>
    <message>
        <source>抛撒物</source>
        <translation>Dropped objects</translation>
    </message>
    <message>
        <source>能见度</source>
        <translation>Low visibility</translation>
    </message>
    <message>
        <source>施工</source>
        <translation>Construction</translation>
    </message>
    <message>
        <source>变道</source>
        <translation>Lane change</translation>
    </message>
    <message>
        <source>掉头</source>
        <translation>U-turn</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>Roadblock</translation>
    </message>
    <message>
        <source>事故</source>
        <translation>Accident</translation>
    </message>
    <message>
        <source>机占非</source>
        <translation>Car in bike lane</translation>
    </message>
    <message>
        <source>火灾</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>低速行驶</source>
        <translation>Low speed</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存配置参数成功</source>
        <translation>Settings saved</translation>
    </message>
    <message>
        <source>保存配置参数失败</source>
        <translation>The settings could not be saved</translation>
    </message>
</context>
<context>
    <name>MessageInfoDlg</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Corvane 交通事件检测客户端</source>
        <translation>Corvane traffic incident client</translation>
    </message>
</context>
<context>
    <name>DefaultNoDataPic</name>
    <message>
        <source>无列表数据</source>
        <translation>No data</translation>
    </message>
</context>
<context>
    <name>KvorPlayWindow</name>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>KvorPlayWindow</source>
        <translation>KvorPlayWindow</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>预览失败</source>
        <translation>Preview failed</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>关闭预览</source>
        <translation>Close preview</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>RTSP取流</source>
        <translation>Pull RTSP stream</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>RTSP用户名或密码错误</source>
        <translation>Wrong RTSP user name or password</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>无法连接RTSP服务器</source>
        <translation>Cannot connect to the RTSP server</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>RTSP服务器无应答</source>
        <translation>The RTSP server does not answer</translation>
    </message>
    <message>
        <location filename="../monitor/KvorPlayWindow.cpp"/>
        <source>RTSP视频流已中断</source>
        <translation>The RTSP stream was interrupted</translation>
    </message>
</context>
<context>
    <name>PreviewDialog</name>
    <message>
        <location filename="../monitor/PreviewDialog.ui"/>
        <source>PreviewDialog</source>
        <translation>PreviewDialog</translation>
    </message>
    <message>
        <location filename="../monitor/PreviewDialog.ui"/>
        <source>视频预览</source>
        <translation>Video preview</translation>
    </message>
    <message>
        <location filename="../monitor/PreviewDialog.ui"/>
        <source>退出预览</source>
        <translation>Exit preview</translation>
    </message>
    <message>
        <location filename="../monitor/PreviewDialog.ui"/>
        <source>:/images/close</source>
        <translation>:/images/close</translation>
    </message>
</context>
<context>
    <name>SplitScreen</name>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>SplitScreen</source>
        <translation>SplitScreen</translation>
    </message>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>1分屏</source>
        <translation>1 pane</translation>
    </message>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>4分屏</source>
        <translation>4 panes</translation>
    </message>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>6分屏</source>
        <translation>6 panes</translation>
    </message>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>9分屏</source>
        <translation>9 panes</translation>
    </message>
    <message>
        <location filename="../monitor/SplitScreen.cpp"/>
        <source>16分屏</source>
        <translation>16 panes</translation>
    </message>
</context>
<context>
    <name>AddDeviceDlg</name>
    <message>
        <source>添加服务器设备</source>
        <translation>Add server device</translation>
    </message>
    <message>
        <source>修改服务器设备</source>
        <translation>Modify server device</translation>
    </message>
    <message>
        <source>服务器名称</source>
        <translation>Server name</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt; *&lt;/span&gt;服务器IP&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt; *&lt;/span&gt;Server IP&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;       *&lt;/span&gt;端口&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;       *&lt;/span&gt;Port&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;*&lt;/span&gt;用户名&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;*&lt;/span&gt;User name&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;*&lt;/span&gt;密码&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; color:#ff0000;&quot;&gt;*&lt;/span&gt;Password&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>确定并继续</source>
        <translation>OK and next</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>设备IP不能为空</source>
        <translation>The device IP must not be empty</translation>
    </message>
    <message>
        <source>设备IP无效</source>
        <translation>The device IP is not valid</translation>
    </message>
    <message>
        <source>设备端口不能为空</source>
        <translation>The device port must not be empty</translation>
    </message>
    <message>
        <source>设备端口无效</source>
        <translation>The port must be 1 to 65535</translation>
    </message>
    <message>
        <source>用户名不能为空</source>
        <translation>The user name must not be empty</translation>
    </message>
    <message>
        <source>用户名过长</source>
        <translation>The user name is too long (at most 63 bytes)</translation>
    </message>
    <message>
        <source>密码不能为空</source>
        <translation>The password must not be empty</translation>
    </message>
    <message>
        <source>密码过长</source>
        <translation>The password is too long (at most 63 bytes)</translation>
    </message>
</context>
<context>
    <name>SearchFrame</name>
    <message>
        <source>事件类型</source>
        <translation>Incident type</translation>
    </message>
    <message>
        <source>设备IP</source>
        <translation>Device IP</translation>
    </message>
    <message>
        <source>车道号</source>
        <translation>Lane</translation>
    </message>
    <message>
        <source>无事件图片</source>
        <translation>No incident picture</translation>
    </message>
    <message>
        <source>无事件录像</source>
        <translation>No incident clip</translation>
    </message>
    <message>
        <source>取证查询</source>
        <translation>Violations</translation>
    </message>
    <message>
        <source>起止时间   </source>
        <translation>Period   </translation>
    </message>
    <message>
        <source>设备IP  </source>
        <translation>Device IP  </translation>
    </message>
    <message>
        <source>通道  </source>
        <translation>Channel  </translation>
    </message>
    <message>
        <source>车道号  </source>
        <translation>Lane  </translation>
    </message>
    <message>
        <source>车牌号  </source>
        <translation>Plate  </translation>
    </message>
    <message>
        <source>取证类型：</source>
        <translation>Violation type:</translation>
    </message>
    <message>
        <source>取证类型</source>
        <translation>Violation type</translation>
    </message>
    <message>
        <source>车牌号码</source>
        <translation>Plate</translation>
    </message>
    <message>
        <source>是否有取证图</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source> 取证类型</source>
        <translation> Violation type</translation>
    </message>
    <message>
        <source>无取证图</source>
        <translation>No violation picture</translation>
    </message>
    <message>
        <source>无取证录像</source>
        <translation>No violation clip</translation>
    </message>
    <message>
        <source>交通流量查询</source>
        <translation>Traffic flow</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>车道流量（辆/分）</source>
        <translation>Lane flow (veh/min)</translation>
    </message>
    <message>
        <source>小型车流量</source>
        <translation>Small vehicles</translation>
    </message>
    <message>
        <source>中型车流量</source>
        <translation>Medium vehicles</translation>
    </message>
    <message>
        <source>大型车流量</source>
        <translation>Large vehicles</translation>
    </message>
    <message>
        <source>车道速度（Km/h）</source>
        <translation>Lane speed (km/h)</translation>
    </message>
    <message>
        <source>车头间距（m）</source>
        <translation>Headway (m)</translation>
    </message>
    <message>
        <source>车头时距（m）</source>
        <translation>Time headway (s)</translation>
    </message>
    <message>
        <source>时间占有率</source>
        <translation>Time occupancy</translation>
    </message>
    <message>
        <source>空间占有率</source>
        <translation>Space occupancy</translation>
    </message>
    <message>
        <source>通行状态</source>
        <translation>Traffic state</translation>
    </message>
    <message>
        <source>数据查询中，请稍后...</source>
        <translation>Searching, please wait...</translation>
    </message>
    <message>
        <source>车道号只能是1到3位数字，请重新输入</source>
        <translation>A lane number has 1 to 3 digits; please enter it again</translation>
    </message>
    <message>
        <source>在查询条件内，无数据！</source>
        <translation>No records match the conditions!</translation>
    </message>
    <message>
        <source>Search failed!</source>
        <translation>Search failed!</translation>
    </message>
    <message>
        <source>无车牌</source>
        <translation>No plate</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>序号：</source>
        <translation>No.: </translation>
    </message>
    <message>
        <source>最近三天</source>
        <translation>Last 3 days</translation>
    </message>
    <message>
        <source>最近一周</source>
        <translation>Last week</translation>
    </message>
    <message>
        <source>最近两周</source>
        <translation>Last 2 weeks</translation>
    </message>
    <message>
        <source>最近三周</source>
        <translation>Last 3 weeks</translation>
    </message>
    <message>
        <source>最近一月</source>
        <translation>Last month</translation>
    </message>
    <message>
        <source>最近两月</source>
        <translation>Last 2 months</translation>
    </message>
    <message>
        <source>最近三月</source>
        <translation>Last 3 months</translation>
    </message>
    <message>
        <source>当前无查询结果，将无法导出内容！</source>
        <translation>No results to export!</translation>
    </message>
    <message>
        <source>条导出成功</source>
        <translation> exported, </translation>
    </message>
    <message>
        <source>条导出失败</source>
        <translation> failed</translation>
    </message>
    <message>
        <source>导出失败：</source>
        <translation>Export failed: </translation>
    </message>
    <message>
        <source>序号,开始时间,结束时间,设备IP,通道,车道号,车道流量（辆/分）,小型车流量,中型车流量,大型车流量,车道速度（Km/h）,车头间距（m）,车头时距（m）,时间占有率,空间占有率,通行状态</source>
        <translation>No.,Start time,End time,Device IP,Channel,Lane,Lane flow (veh/min),Light vehicles,Medium vehicles,Heavy vehicles,Lane speed (km/h),Space headway (m),Time headway (m),Time occupancy,Space occupancy,Traffic state</translation>
    </message>
    <message>
        <source>事件查询</source>
        <translation>Incidents</translation>
    </message>
    <message>
        <source>起止时间 </source>
        <translation>Period </translation>
    </message>
    <message>
        <source>设备IP </source>
        <translation>Device IP </translation>
    </message>
    <message>
        <source>通道IP </source>
        <translation>Channel IP </translation>
    </message>
    <message>
        <source>通道号  </source>
        <translation>Channel No.  </translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>车道号 </source>
        <translation>Lane </translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>事件类型：</source>
        <translation>Incident type:</translation>
    </message>
    <message>
        <source>拥堵</source>
        <translation>Congestion</translation>
    </message>
    <message>
        <source>火灾</source>
        <translation>Fire</translation>
    </message>
    <message>
        <source>掉头</source>
        <translation>U-turn</translation>
    </message>
    <message>
        <source>机占非</source>
        <translation>Car in bike lane</translation>
    </message>
    <message>
        <source>事故</source>
        <translation>Accident</translation>
    </message>
    <message>
        <source>违停</source>
        <translation>Illegal parking</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <source>变道</source>
        <translation>Lane change</translation>
    </message>
    <message>
        <source>烟雾</source>
        <translation>Smoke</translation>
    </message>
    <message>
        <source>施工</source>
        <translation>Construction</translation>
    </message>
    <message>
        <source>逆行</source>
        <translation>Wrong way</translation>
    </message>
    <message>
        <source>能见度</source>
        <translation>Low visibility</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>Roadblock</translation>
    </message>
    <message>
        <source>行人</source>
        <translation>Pedestrian</translation>
    </message>
    <message>
        <source>压线</source>
        <translation>Line pressing</translation>
    </message>
    <message>
        <source>抛撒物</source>
        <translation>Dropped objects</translation>
    </message>
    <message>
        <source>低速行驶</source>
        <translation>Low speed</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>All</translation>
    </message>
    <message>
        <source>重置</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>查看详情</source>
        <translation>Details</translation>
    </message>
</context>
<context>
    <name>IncidentPromptsDialog</name>
    <message>
        <source>事件报警</source>
        <translation>Incident alarm</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>事件类型</source>
        <translation>Incident type</translation>
    </message>
    <message>
        <source>设备IP</source>
        <translation>Device IP</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>车道号</source>
        <translation>Lane</translation>
    </message>
    <message>
        <source>双击查看详情</source>
        <translation>Double-click for details</translation>
    </message>
    <message>
        <source>通道号</source>
        <translation>Channel</translation>
    </message>
</context>
<context>
    <name>IncidentDetailInfoDialog</name>
    <message>
        <source>IncidentDetailInfoDialog</source>
        <translation>Incident details</translation>
    </message>
    <message>
        <source>事件详情</source>
        <translation>Incident details</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>时间：</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>通道号：</source>
        <translation>Camera:</translation>
    </message>
    <message>
        <source>车道号：</source>
        <translation>Lane:</translation>
    </message>
</context>
<context>
    <name>SearchPageManage</name>
    <message>
        <source>共</source>
        <translation>Total</translation>
    </message>
    <message>
        <source>条</source>
        <translation>records</translation>
    </message>
    <message>
        <source>每页显示</source>
        <translation>Per page</translation>
    </message>
    <message>
        <source>首页</source>
        <translation>First</translation>
    </message>
    <message>
        <source>上一页</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>下一页</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>尾页</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>/</source>
        <translation>/</translation>
    </message>
    <message>
        <source>页</source>
        <translation>pages</translation>
    </message>
</context>
<context>
    <name>ExportDialog</name>
    <message>
        <source>流量导出路径</source>
        <translation>Traffic export path</translation>
    </message>
    <message>
        <source>导出路径</source>
        <translation>Export path</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>VideoDetailInfoDialog</name>
    <message>
        <source>VideoDetailInfoDialog</source>
        <translation>VideoDetailInfoDialog</translation>
    </message>
    <message>
        <source>录像查看</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>减速播放</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>单帧回退</source>
        <translation>One frame back</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>单帧步进</source>
        <translation>One frame forward</translation>
    </message>
    <message>
        <source>加速播放</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>录像文件无法打开：</source>
        <translation>The clip cannot be opened: </translation>
    </message>
</context>
<context>
    <name>IncidentItem</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Camera</translation>
    </message>
    <message>
        <source>查看详情</source>
        <translation>Details</translation>
    </message>
</context>
<context>
    <name>RtspDialog</name>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>Rtsp取流</source>
        <translation>Pull RTSP stream</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>请输入网络URL：</source>
        <translation>Network URL:</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>用户名：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.ui"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.cpp"/>
        <source>取流URL不能为空</source>
        <translation>The stream URL must not be empty</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.cpp"/>
        <source>用户名不能为空</source>
        <translation>The user name must not be empty</translation>
    </message>
    <message>
        <location filename="../monitor/RtspDialog.cpp"/>
        <source>密码不能为空</source>
        <translation>The password must not be empty</translation>
    </message>
</context>
<context>
    <name>QRangeCalendarWidget</name>
    <message>
        <source>开始日期</source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束日期</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>最近三天</source>
        <translation>Last 3 days</translation>
    </message>
    <message>
        <source>最近一周</source>
        <translation>Last week</translation>
    </message>
    <message>
        <source>最近两周</source>
        <translation>Last 2 weeks</translation>
    </message>
    <message>
        <source>最近三周</source>
        <translation>Last 3 weeks</translation>
    </message>
    <message>
        <source>最近一月</source>
        <translation>Last month</translation>
    </message>
    <message>
        <source>最近两月</source>
        <translation>Last 2 months</translation>
    </message>
    <message>
        <source>最近三月</source>
        <translation>Last 3 months</translation>
    </message>
</context>
<context>
    <name>QScrollTime</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
