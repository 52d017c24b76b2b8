<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>QObject</name>
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
        <translation>Wrong-way driving</translation>
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
        <translation>Vehicle in non-motor lane</translation>
    </message>
    <message>
        <source>加塞</source>
        <translation>Queue jumping</translation>
    </message>
    <message>
        <source>路障</source>
        <translation>Road block</translation>
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
</TS>
