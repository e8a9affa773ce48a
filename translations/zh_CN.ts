<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DailyChart</name>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="162"/>
        <source>%1：%n 次</source>
        <translation>
            <numerusform>%1：%n 次</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="163"/>
        <source>%1 ~ %2：%n 次</source>
        <translation>
            <numerusform>%1 ~ %2：%n 次</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/widgets/dailychart.cpp" line="168"/>
        <source>每日执行次数</source>
        <translation>每日执行次数</translation>
    </message>
</context>
<context>
    <name>HtmlReport</name>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="48"/>
        <location filename="../src/export/htmlreport.cpp" line="96"/>
        <location filename="../src/export/htmlreport.cpp" line="99"/>
        <source>未知</source>
        <translation>未知</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="69"/>
        <source>zh-CN</source>
        <translation>zh-CN</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="88"/>
        <source>主机</source>
        <translation>主机</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="89"/>
        <source>生成时间</source>
        <translation>生成时间</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="91"/>
        <source>时区</source>
        <translation>时区</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="95"/>
        <source>审计日志文件</source>
        <translation>审计日志文件</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="100"/>
        <source>日志时间跨度</source>
        <translation>日志时间跨度</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="125"/>
        <location filename="../src/export/htmlreport.cpp" line="234"/>
        <source>每日执行次数</source>
        <translation>每日执行次数</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/export/htmlreport.cpp" line="149"/>
        <source>%1：%n 次</source>
        <translation>
            <numerusform>%1：%n 次</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="173"/>
        <source>最早的记录</source>
        <translation>最早的记录</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="175"/>
        <source>最新的记录</source>
        <translation>最新的记录</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="176"/>
        <source>查询时段：%1 ~ %2</source>
        <translation>查询时段：%1 ~ %2</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="211"/>
        <source>审计报告：%1</source>
        <translation>审计报告：%1</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="217"/>
        <location filename="../src/export/htmlreport.cpp" line="269"/>
        <source>概要</source>
        <translation>概要</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="224"/>
        <source>各用户执行次数</source>
        <translation>各用户执行次数</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="225"/>
        <source>用户ID</source>
        <translation>用户ID</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="226"/>
        <source>执行次数</source>
        <translation>执行次数</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="226"/>
        <source>拒绝</source>
        <translation>拒绝</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="227"/>
        <source>失败</source>
        <translation>失败</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="237"/>
        <source>没有运行。</source>
        <translation>没有运行。</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="242"/>
        <source>运行明细</source>
        <translation>运行明细</translation>
    </message>
    <message>
        <location filename="../src/export/htmlreport.cpp" line="264"/>
        <source>审计日志总体报告</source>
        <translation>审计日志总体报告</translation>
    </message>
</context>
<context>
    <name>InfoBox</name>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="84"/>
        <location filename="../src/widgets/infobox.cpp" line="85"/>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="89"/>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <location filename="../src/widgets/infobox.cpp" line="97"/>
        <source>确定</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="14"/>
        <source>安全中心</source>
        <translation>安全中心</translation>
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
        <translation>项目</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="187"/>
        <source>Column2</source>
        <translation>结果</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="192"/>
        <source>时间范围：</source>
        <translation>时间范围：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="197"/>
        <source>记录条数：</source>
        <translation>记录条数：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="202"/>
        <source>用户ID ：</source>
        <translation>用户ID ：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="207"/>
        <source>执行次数：</source>
        <translation>执行次数：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="365"/>
        <location filename="../src/app/startupchecks.cpp" line="137"/>
        <location filename="../src/audit/querycontroller.cpp" line="168"/>
        <location filename="../src/audit/querycontroller.cpp" line="176"/>
        <location filename="../src/audit/querycontroller.cpp" line="209"/>
        <location filename="../src/audit/reportbuilder.cpp" line="31"/>
        <location filename="../src/audit/reportbuilder.cpp" line="55"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="77"/>
        <source>审计报告</source>
        <translation>审计报告</translation>
    </message>
    <message>
        <location filename="../src/audit/auditsearch.cpp" line="25"/>
        <location filename="../src/audit/peruserreport.cpp" line="62"/>
        <location filename="../src/audit/querycontroller.cpp" line="82"/>
        <location filename="../src/audit/querycontroller.cpp" line="194"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="89"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="96"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="99"/>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="78"/>
        <source>点击查询</source>
        <translation>点击查询</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="79"/>
        <source>请选择时间段</source>
        <translation>请选择时间段</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="80"/>
        <source>请选择事件类型</source>
        <translation>请选择事件类型</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="125"/>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="126"/>
        <source>最小化到托盘</source>
        <translation>最小化到托盘</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="127"/>
        <source>退出</source>
        <translation>退出</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="128"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="129"/>
        <source>返回查询</source>
        <translation>返回查询</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="156"/>
        <source>DuvovedaDizuve</source>
        <translation>DuvovedaDizuve</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="162"/>
        <source>about</source>
        <translation>关于</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="166"/>
        <source>back to main</source>
        <translation>返回主界面</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="111"/>
        <location filename="../src/app/startupchecks.cpp" line="123"/>
        <location filename="../src/audit/querycontroller.cpp" line="98"/>
        <location filename="../src/audit/querycontroller.cpp" line="108"/>
        <location filename="../src/audit/querycontroller.cpp" line="119"/>
        <source>警告</source>
        <translation>警告</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="102"/>
        <source>开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</source>
        <translation>开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="104"/>
        <source>结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</source>
        <translation>结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="108"/>
        <source>选择的时间有误，开始时间应早于结束时间</source>
        <translation>选择的时间有误，开始时间应早于结束时间</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="120"/>
        <source>无法写入工作目录</source>
        <translation>无法写入工作目录</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="152"/>
        <source>审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。</source>
        <translation>审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="175"/>
        <location filename="../src/audit/querycontroller.cpp" line="208"/>
        <location filename="../src/export/reportexport.cpp" line="74"/>
        <location filename="../src/export/reportexport.cpp" line="100"/>
        <location filename="../src/export/reportexport.cpp" line="121"/>
        <source>导出报告</source>
        <translation>导出报告</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="262"/>
        <source>无法读取审计日志，请以管理员身份运行</source>
        <translation>无法读取审计日志，请以管理员身份运行</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="155"/>
        <source>工作目录已没有剩余空间，查询没有完成，未生成报告：</source>
        <translation>工作目录已没有剩余空间，查询没有完成，未生成报告：</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="159"/>
        <source>查询结果超出了文件大小限制，查询没有完成，未生成报告。</source>
        <translation>查询结果超出了文件大小限制，查询没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="162"/>
        <source>查询被中止（信号 %1），没有完成，未生成报告。</source>
        <translation>查询被中止（信号 %1），没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/querycontroller.cpp" line="165"/>
        <source>查询命令失败（退出状态 %1），没有完成，未生成报告。</source>
        <translation>查询命令失败（退出状态 %1），没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/reportbuilder.cpp" line="27"/>
        <source>审计报告为空或未开启审计规则！</source>
        <translation>审计报告为空或未开启审计规则！</translation>
    </message>
    <message>
        <location filename="../src/audit/reportbuilder.cpp" line="56"/>
        <source>报告文件无法写入工作目录，未生成报告：</source>
        <translation>报告文件无法写入工作目录，未生成报告：</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="34"/>
        <source>导出目录 %1 不存在。</source>
        <translation>导出目录 %1 不存在。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="36"/>
        <source>导出目录 %1 是符号链接，为安全起见拒绝写入。</source>
        <translation>导出目录 %1 是符号链接，为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="40"/>
        <source>无法打开导出目录 %1：%2</source>
        <translation>无法打开导出目录 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="43"/>
        <source>%1 不是文件名。</source>
        <translation>%1 不是文件名。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="45"/>
        <source>%1 是目录。</source>
        <translation>%1 是目录。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="47"/>
        <source>%1 不是普通文件（管道、设备或套接字），为安全起见拒绝写入。</source>
        <translation>%1 不是普通文件（管道、设备或套接字），为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="51"/>
        <source>无法读取报告的工作文件 %1：%2</source>
        <translation>无法读取报告的工作文件 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="54"/>
        <source>整理报告的命令 %1 失败（退出状态 %2）。</source>
        <translation>整理报告的命令 %1 失败（退出状态 %2）。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="58"/>
        <source>%1 未能完整写入（磁盘已满或超出文件大小限制）。</source>
        <translation>%1 未能完整写入（磁盘已满或超出文件大小限制）。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="62"/>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="65"/>
        <source>无法替换 %1：%2</source>
        <translation>无法替换 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="77"/>
        <source>报告导出成功!</source>
        <translation>报告导出成功!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="82"/>
        <source>报告导出失败!</source>
        <translation>报告导出失败!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="122"/>
        <source>文件 %1 已存在，要替换它吗？</source>
        <translation>文件 %1 已存在，要替换它吗？</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="197"/>
        <source>原因：没有安装审计服务 auditd，系统不记录审计事件。</source>
        <translation>原因：没有安装审计服务 auditd，系统不记录审计事件。</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="200"/>
        <source>原因：内核审计功能已关闭（auditctl -s 显示 enabled 0）。</source>
        <translation>原因：内核审计功能已关闭（auditctl -s 显示 enabled 0）。</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="203"/>
        <source>原因：审计服务 auditd 没有运行，审计事件没有写入日志。</source>
        <translation>原因：审计服务 auditd 没有运行，审计事件没有写入日志。</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="207"/>
        <source>原因：已加载的审计规则中没有监视 %1 的规则。它的规则因开销大在规则文件 %2 中默认被注释掉：%3。删去这一行行首的“#”，再运行命令 %4 加载。</source>
        <translation>原因：已加载的审计规则中没有监视 %1 的规则。它的规则因开销大在规则文件 %2 中默认被注释掉：%3。删去这一行行首的“#”，再运行命令 %4 加载。</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="213"/>
        <source>原因：已加载的审计规则中没有监视 %1 的规则。规则文件 %2 可用命令 %3 加载。</source>
        <translation>原因：已加载的审计规则中没有监视 %1 的规则。规则文件 %2 可用命令 %3 加载。</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="263"/>
        <source>无法读取审计日志：还没有写入任何审计日志（%1）。</source>
        <translation>无法读取审计日志：还没有写入任何审计日志（%1）。</translation>
    </message>
    <message>
        <location filename="../src/app/about.cpp" line="15"/>
        <source>关于</source>
        <translation>关于</translation>
    </message>
    <message>
        <location filename="../src/app/about.cpp" line="20"/>
        <source>审计报告 kvr-auditreport
版本 %1
许可证：GNU GPL 第 3 版或更高版本</source>
        <translation>审计报告 kvr-auditreport
版本 %1
许可证：GNU GPL 第 3 版或更高版本</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="31"/>
        <source>数据目录 %1 是符号链接，为安全起见拒绝使用。</source>
        <translation>数据目录 %1 是符号链接，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="35"/>
        <source>数据目录 %1 不是目录。</source>
        <translation>数据目录 %1 不是目录。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="38"/>
        <source>数据目录 %1 可被其他用户写入，为安全起见拒绝使用。</source>
        <translation>数据目录 %1 可被其他用户写入，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="42"/>
        <source>数据目录 %1 属于其他用户，为安全起见拒绝使用。</source>
        <translation>数据目录 %1 属于其他用户，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="46"/>
        <source>工作文件 %1 是符号链接，为安全起见拒绝写入。</source>
        <translation>工作文件 %1 是符号链接，为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="50"/>
        <source>工作文件 %1 不是普通文件，为安全起见拒绝写入。</source>
        <translation>工作文件 %1 不是普通文件，为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="54"/>
        <source>工作文件 %1 另有硬链接，为安全起见拒绝写入。</source>
        <translation>工作文件 %1 另有硬链接，为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="58"/>
        <source>数据目录的上级目录 %1 是符号链接，为安全起见拒绝使用。</source>
        <translation>数据目录的上级目录 %1 是符号链接，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="62"/>
        <source>数据目录的上级目录 %1 可被其他用户写入且未设置粘滞位，为安全起见拒绝使用。</source>
        <translation>数据目录的上级目录 %1 可被其他用户写入且未设置粘滞位，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="67"/>
        <source>数据目录的上级目录 %1 属于其他用户，为安全起见拒绝使用。</source>
        <translation>数据目录的上级目录 %1 属于其他用户，为安全起见拒绝使用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="72"/>
        <location filename="../src/app/startupchecks.cpp" line="83"/>
        <location filename="../src/app/startupchecks.cpp" line="87"/>
        <source>查询功能已停用。</source>
        <translation>查询功能已停用。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="81"/>
        <source>安装已损坏：找不到本程序的审计工具 %1。</source>
        <translation>安装已损坏：找不到本程序的审计工具 %1。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="85"/>
        <source>安装已损坏：%1 不是本程序的审计工具。</source>
        <translation>安装已损坏：%1 不是本程序的审计工具。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="146"/>
        <source>锁文件 %1 由另一台主机 %2 写入，那台主机上的审计报告窗口可能仍在使用数据目录 %3。
确认那里没有窗口在运行后，点击“确定”删除该锁文件并继续。</source>
        <translation>锁文件 %1 由另一台主机 %2 写入，那台主机上的审计报告窗口可能仍在使用数据目录 %3。
确认那里没有窗口在运行后，点击“确定”删除该锁文件并继续。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="172"/>
        <source>锁文件 %1 不是普通文件，为安全起见不予处理。</source>
        <translation>锁文件 %1 不是普通文件，为安全起见不予处理。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="176"/>
        <source>无法删除遗留的锁文件 %1。</source>
        <translation>无法删除遗留的锁文件 %1。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="178"/>
        <source>审计报告已经打开：另一个窗口正在使用数据目录 %1。</source>
        <translation>审计报告已经打开：另一个窗口正在使用数据目录 %1。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="184"/>
        <source>如确认没有其他审计报告窗口在运行，请删除锁文件 %1 后重新启动。</source>
        <translation>如确认没有其他审计报告窗口在运行，请删除锁文件 %1 后重新启动。</translation>
    </message>
    <message>
        <location filename="../src/audit/peruserreport.cpp" line="37"/>
        <source>各用户执行次数</source>
        <translation>各用户执行次数</translation>
    </message>
</context>
<context>
    <name>RunFigures</name>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="43"/>
        <source>%1（拒绝 %2，失败 %3）</source>
        <translation>%1（拒绝 %2，失败 %3）</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="48"/>
        <source>%1（拒绝 %2）</source>
        <translation>%1（拒绝 %2）</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="50"/>
        <source>%1（失败 %2）</source>
        <translation>%1（失败 %2）</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="58"/>
        <source>拒绝</source>
        <translation>拒绝</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="60"/>
        <source>失败</source>
        <translation>失败</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="64"/>
        <source>成功</source>
        <translation>成功</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="82"/>
        <source>时间</source>
        <translation>时间</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="83"/>
        <source>登录用户</source>
        <translation>登录用户</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="84"/>
        <source>执行身份</source>
        <translation>执行身份</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="85"/>
        <source>主机</source>
        <translation>主机</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="86"/>
        <source>终端或远程地址</source>
        <translation>终端或远程地址</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="87"/>
        <source>结果</source>
        <translation>结果</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="88"/>
        <source>执行内容</source>
        <translation>执行内容</translation>
    </message>
    <message>
        <location filename="../src/audit/runfigures.cpp" line="93"/>
        <source>“成功”表示程序已运行且没有拒绝；sudo 所运行的命令随后是否成功，审计日志中没有记录。</source>
        <translation>“成功”表示程序已运行且没有拒绝；sudo 所运行的命令随后是否成功，审计日志中没有记录。</translation>
    </message>
</context>
<context>
    <name>RunsFile</name>
    <message>
        <location filename="../src/audit/runsfile.cpp" line="210"/>
        <source>无法读取运行记录文件 %1：%2</source>
        <translation>无法读取运行记录文件 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/audit/runsfile.cpp" line="213"/>
        <source>%1 不是运行记录文件（第一行应为 “%2”），未显示任何运行。</source>
        <translation>%1 不是运行记录文件（第一行应为 “%2”），未显示任何运行。</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/audit/runsfile.cpp" line="222"/>
        <source>运行记录文件 %1 已损坏：%n 行无法读取（第一处在第 %2 行），运行明细不完整，未显示。</source>
        <translation>
            <numerusform>运行记录文件 %1 已损坏：%n 行无法读取（第一处在第 %2 行），运行明细不完整，未显示。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RunsWindow</name>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="50"/>
        <source>运行明细 — %1</source>
        <translation>运行明细 — %1</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="89"/>
        <source>登录用户：%1</source>
        <translation>登录用户：%1</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="96"/>
        <source>全部运行</source>
        <translation>全部运行</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="105"/>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="128"/>
        <source>筛选：任意一列中的文字</source>
        <translation>筛选：任意一列中的文字</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="132"/>
        <source>主机：</source>
        <translation>主机：</translation>
    </message>
    <message>
        <location filename="../src/widgets/runswindow.cpp" line="137"/>
        <source>全部主机</source>
        <translation>全部主机</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/widgets/runswindow.cpp" line="215"/>
        <source>共 %n 次运行：拒绝 %1 次，失败 %2 次</source>
        <translation>
            <numerusform>共 %n 次运行：拒绝 %1 次，失败 %2 次</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/widgets/runswindow.cpp" line="219"/>
        <source>显示 %1 / %n 次运行：拒绝 %2 次，失败 %3 次</source>
        <translation>
            <numerusform>显示 %1 / %n 次运行：拒绝 %2 次，失败 %3 次</numerusform>
        </translation>
    </message>
</context>
</TS>
