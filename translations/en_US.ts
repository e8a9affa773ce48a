<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>DailyChart</name>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="162"/>
        <source>%1：%n 次</source>
        <translation>
            <numerusform>%1: %n run</numerusform>
            <numerusform>%1: %n runs</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="163"/>
        <source>%1 ~ %2：%n 次</source>
        <translation>
            <numerusform>%1 ~ %2: %n run</numerusform>
            <numerusform>%1 ~ %2: %n runs</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/widgets/dailychart.cpp" line="168"/>
        <source>每日执行次数</source>
        <translation>Runs per day</translation>
    </message>
</context>
<context>
    <name>InfoBox</name>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="70"/>
        <location filename="../src/widgets/infobox.cpp" line="71"/>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="75"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="83"/>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="14"/>
        <source>安全中心</source>
        <translation>Security Center</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="162"/>
        <source>Row1</source>
        <translation>1</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="167"/>
        <source>Row2</source>
        <translation>2</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="172"/>
        <source>Row3</source>
        <translation>3</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="177"/>
        <source>Row4</source>
        <translation>4</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="182"/>
        <source>Column1</source>
        <translation>Item</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="187"/>
        <source>Column2</source>
        <translation>Value</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="192"/>
        <source>时间范围：</source>
        <translation>Time range:</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="197"/>
        <source>记录条数：</source>
        <translation>Records:</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="202"/>
        <source>用户ID ：</source>
        <translation>User ID:</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="207"/>
        <source>执行次数：</source>
        <translation>Executions:</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="365"/>
        <location filename="../src/audit/querycontroller.cpp" line="93"/>
        <location filename="../src/audit/querycontroller.cpp" line="102"/>
        <location filename="../src/audit/querycontroller.cpp" line="121"/>
        <location filename="../src/audit/querycontroller.cpp" line="140"/>
        <location filename="../src/audit/reportbuilder.cpp" line="20"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="109"/>
        <source>审计报告</source>
        <translation>Audit Report</translation>
    </message>
    <message>
        <location filename="../src/audit/auditsearch.cpp" line="24"/>
        <location filename="../src/audit/querycontroller.cpp" line="42"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="24"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="125"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="128"/>
        <source>all</source>
        <translation>all</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="25"/>
        <source>chgrp</source>
        <translation>chgrp</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="26"/>
        <source>chown</source>
        <translation>chown</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="27"/>
        <source>chmod</source>
        <translation>chmod</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="28"/>
        <source>chattr</source>
        <translation>chattr</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="29"/>
        <source>su</source>
        <translation>su</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="30"/>
        <source>sudo</source>
        <translation>sudo</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="31"/>
        <source>touch</source>
        <translation>touch</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="32"/>
        <source>cp</source>
        <translation>cp</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="33"/>
        <source>mv</source>
        <translation>mv</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="34"/>
        <source>rm</source>
        <translation>rm</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="35"/>
        <source>mkdir</source>
        <translation>mkdir</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="36"/>
        <source>rmdir</source>
        <translation>rmdir</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="37"/>
        <source>groupadd</source>
        <translation>groupadd</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="38"/>
        <source>groupdel</source>
        <translation>groupdel</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="39"/>
        <source>gpasswd</source>
        <translation>gpasswd</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="40"/>
        <source>useradd</source>
        <translation>useradd</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="41"/>
        <source>userdel</source>
        <translation>userdel</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="42"/>
        <source>passwd</source>
        <translation>passwd</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="43"/>
        <source>ifup</source>
        <translation>ifup</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="44"/>
        <source>ifdown</source>
        <translation>ifdown</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="45"/>
        <source>wget</source>
        <translation>wget</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="46"/>
        <source>apt-get</source>
        <translation>apt-get</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="47"/>
        <source>shutdown</source>
        <translation>shutdown</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="48"/>
        <source>reboot</source>
        <translation>reboot</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="49"/>
        <source>service</source>
        <translation>service</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="50"/>
        <source>killall</source>
        <translation>killall</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="51"/>
        <source>nice</source>
        <translation>nice</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="52"/>
        <source>renice</source>
        <translation>renice</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="110"/>
        <source>点击查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="111"/>
        <source>请选择时间段</source>
        <translation>Time period</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="112"/>
        <source>请选择事件类型</source>
        <translation>Event type</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="151"/>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="152"/>
        <source>最小化到托盘</source>
        <translation>Minimize to tray</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="153"/>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="154"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="155"/>
        <source>返回查询</source>
        <translation>Back to the query</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="180"/>
        <source>DuvovedaDizuve</source>
        <translation>DuvovedaDizuve</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="187"/>
        <source>about</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="191"/>
        <source>back to main</source>
        <translation>Back to main</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="52"/>
        <location filename="../src/audit/querycontroller.cpp" line="61"/>
        <location filename="../src/audit/querycontroller.cpp" line="69"/>
        <location filename="../src/audit/querycontroller.cpp" line="76"/>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="53"/>
        <source>开始时间无效，请按 年-月-日 输入或从日历中选择</source>
        <translation>The start date is not valid. Enter it as year-month-day or pick it in the calendar.</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="62"/>
        <source>结束时间无效，请按 年-月-日 输入或从日历中选择</source>
        <translation>The end date is not valid. Enter it as year-month-day or pick it in the calendar.</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="69"/>
        <source>选择的时间有误，开始时间应早于结束时间</source>
        <translation>The chosen time range is wrong: the start date must be earlier than the end date.</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="77"/>
        <source>无法写入工作目录</source>
        <translation>Cannot write to the working directory</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="101"/>
        <location filename="../src/audit/querycontroller.cpp" line="139"/>
        <location filename="../src/export/reportexport.cpp" line="29"/>
        <location filename="../src/export/reportexport.cpp" line="52"/>
        <location filename="../src/export/reportexport.cpp" line="69"/>
        <source>导出报告</source>
        <translation>Export</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="93"/>
        <location filename="../src/audit/querycontroller.cpp" line="121"/>
        <source>无法读取审计日志，请以管理员身份运行</source>
        <translation>Cannot read the audit log. Please run the program as an administrator.</translation>
    </message>
    <message>
        <location filename="../src/audit/reportbuilder.cpp" line="20"/>
        <source>审计报告为空或未开启审计规则！</source>
        <translation>The audit report is empty, or no audit rules are enabled!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="52"/>
        <location filename="../src/export/reportexport.cpp" line="69"/>
        <source>报告导出成功!</source>
        <translation>The report was exported successfully!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="52"/>
        <location filename="../src/export/reportexport.cpp" line="69"/>
        <source>报告导出失败!</source>
        <translation>The report could not be exported!</translation>
    </message>
    <message>
        <location filename="../src/audit/peruserreport.cpp" line="37"/>
        <source>各用户执行次数</source>
        <translation>Runs per user</translation>
    </message>
</context>
</TS>
