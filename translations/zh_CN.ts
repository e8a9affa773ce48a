<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DailyChart</name>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="164"/>
        <source>%1：%n 次</source>
        <translation>
            <numerusform>%1：%n 次</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/widgets/dailychart.cpp" line="165"/>
        <source>%1 ~ %2：%n 次</source>
        <translation>
            <numerusform>%1 ~ %2：%n 次</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../src/widgets/dailychart.cpp" line="170"/>
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
        <location filename="../src/export/reportdata.cpp" line="55"/>
        <source>时间范围：</source>
        <translation>时间范围：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="197"/>
        <location filename="../src/export/reportdata.cpp" line="56"/>
        <source>记录条数：</source>
        <translation>记录条数：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="202"/>
        <location filename="../src/export/reportdata.cpp" line="57"/>
        <source>用户ID ：</source>
        <translation>用户ID ：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="207"/>
        <location filename="../src/export/reportdata.cpp" line="58"/>
        <source>执行次数：</source>
        <translation>执行次数：</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.ui" line="365"/>
        <location filename="../src/app/startupchecks.cpp" line="137"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="77"/>
        <location filename="../src/mainwindow/querycontroller.cpp" line="54"/>
        <location filename="../src/mainwindow/querycontroller.cpp" line="68"/>
        <location filename="../src/mainwindow/reportpages.cpp" line="97"/>
        <location filename="../src/mainwindow/reportpages.cpp" line="113"/>
        <source>审计报告</source>
        <translation>审计报告</translation>
    </message>
    <message>
        <location filename="../src/audit/queryrunner.cpp" line="126"/>
        <location filename="../src/cli/reportformats.cpp" line="24"/>
        <location filename="../src/export/reportexport.cpp" line="271"/>
        <location filename="../src/widgets/queryform.cpp" line="20"/>
        <source>all</source>
        <translation>全部</translation>
    </message>
    <message>
        <location filename="../src/audit/queryrunner.cpp" line="213"/>
        <source>审计日志中有 %1 至 %2 的记录，其中没有符合查询条件的记录。</source>
        <translation>审计日志中有 %1 至 %2 的记录，其中没有符合查询条件的记录。</translation>
    </message>
    <message>
        <location filename="../src/audit/queryrunner.cpp" line="252"/>
        <source>运行明细与报告的执行次数不一致，未显示拒绝和失败的次数。</source>
        <translation>运行明细与报告的执行次数不一致，未显示拒绝和失败的次数。</translation>
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
        <location filename="../src/mainwindow/mainwindow.cpp" line="93"/>
        <source>关闭</source>
        <translation>关闭</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="94"/>
        <source>最小化到托盘</source>
        <translation>最小化到托盘</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="95"/>
        <source>退出</source>
        <translation>退出</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="96"/>
        <location filename="../src/mainwindow/mainwindow.cpp" line="97"/>
        <source>返回查询</source>
        <translation>返回查询</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="119"/>
        <source>DuvovedaDizuve</source>
        <translation>DuvovedaDizuve</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="125"/>
        <source>about</source>
        <translation>关于</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/mainwindow.cpp" line="129"/>
        <source>back to main</source>
        <translation>返回主界面</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="111"/>
        <location filename="../src/app/startupchecks.cpp" line="123"/>
        <location filename="../src/mainwindow/querycontroller.cpp" line="32"/>
        <location filename="../src/widgets/queryform.cpp" line="197"/>
        <location filename="../src/widgets/queryform.cpp" line="213"/>
        <source>警告</source>
        <translation>警告</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryform.cpp" line="202"/>
        <source>开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</source>
        <translation>开始时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryform.cpp" line="206"/>
        <source>结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</source>
        <translation>结束时间无效，请按 年-月-日 输入 1970 至 2068 年间的日期或从日历中选择</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="197"/>
        <location filename="../src/widgets/queryform.cpp" line="214"/>
        <source>选择的时间有误，开始时间应早于结束时间</source>
        <translation>选择的时间有误，开始时间应早于结束时间</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/querycontroller.cpp" line="33"/>
        <source>无法写入工作目录</source>
        <translation>无法写入工作目录</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="22"/>
        <source>审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。</source>
        <translation>审计日志过大，无法在有限的内存和临时空间内完成统计，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="82"/>
        <location filename="../src/export/reportexport.cpp" line="183"/>
        <location filename="../src/export/reportexport.cpp" line="203"/>
        <location filename="../src/export/reportexport.cpp" line="248"/>
        <location filename="../src/mainwindow/reportpages.cpp" line="96"/>
        <location filename="../src/mainwindow/reportpages.cpp" line="112"/>
        <source>导出报告</source>
        <translation>导出报告</translation>
    </message>
    <message>
        <location filename="../src/audit/emptycause.cpp" line="262"/>
        <source>无法读取审计日志，请以管理员身份运行</source>
        <translation>无法读取审计日志，请以管理员身份运行</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="25"/>
        <source>工作目录已没有剩余空间，查询没有完成，未生成报告：</source>
        <translation>工作目录已没有剩余空间，查询没有完成，未生成报告：</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="29"/>
        <source>查询结果超出了文件大小限制，查询没有完成，未生成报告。</source>
        <translation>查询结果超出了文件大小限制，查询没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="32"/>
        <location filename="../src/cli/reportcommand.cpp" line="341"/>
        <source>查询被中止（信号 %1），没有完成，未生成报告。</source>
        <translation>查询被中止（信号 %1），没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="36"/>
        <source>查询命令失败（退出状态 %1），没有完成，未生成报告。</source>
        <translation>查询命令失败（退出状态 %1），没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="40"/>
        <source>系统可打开的文件数不足，查询没有完成，未生成报告。</source>
        <translation>系统可打开的文件数不足，查询没有完成，未生成报告。</translation>
    </message>
    <message>
        <location filename="../src/audit/queryrunner.cpp" line="202"/>
        <source>审计报告为空或未开启审计规则！</source>
        <translation>审计报告为空或未开启审计规则！</translation>
    </message>
    <message>
        <location filename="../src/audit/problemtext.cpp" line="43"/>
        <source>报告文件无法写入工作目录，未生成报告：</source>
        <translation>报告文件无法写入工作目录，未生成报告：</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="42"/>
        <source>导出目录 %1 不存在。</source>
        <translation>导出目录 %1 不存在。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="44"/>
        <source>导出目录 %1 是符号链接，为安全起见拒绝写入。</source>
        <translation>导出目录 %1 是符号链接，为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="48"/>
        <source>无法打开导出目录 %1：%2</source>
        <translation>无法打开导出目录 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="51"/>
        <source>%1 不是文件名。</source>
        <translation>%1 不是文件名。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="53"/>
        <source>%1 是目录。</source>
        <translation>%1 是目录。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="55"/>
        <source>%1 不是普通文件（管道、设备或套接字），为安全起见拒绝写入。</source>
        <translation>%1 不是普通文件（管道、设备或套接字），为安全起见拒绝写入。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="59"/>
        <source>无法读取报告的工作文件 %1：%2</source>
        <translation>无法读取报告的工作文件 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="62"/>
        <source>整理报告的命令 %1 失败（退出状态 %2）。</source>
        <translation>整理报告的命令 %1 失败（退出状态 %2）。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="66"/>
        <source>%1 未能完整写入（磁盘已满或超出文件大小限制）。</source>
        <translation>%1 未能完整写入（磁盘已满或超出文件大小限制）。</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="70"/>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="73"/>
        <source>无法替换 %1：%2</source>
        <translation>无法替换 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="85"/>
        <source>报告导出成功!</source>
        <translation>报告导出成功!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="90"/>
        <source>报告导出失败!</source>
        <translation>报告导出失败!</translation>
    </message>
    <message>
        <location filename="../src/export/reportexport.cpp" line="204"/>
        <location filename="../src/export/reportexport.cpp" line="249"/>
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
        <location filename="../src/cli/reportcommand.cpp" line="310"/>
        <source>安装已损坏：找不到本程序的审计工具 %1。</source>
        <translation>安装已损坏：找不到本程序的审计工具 %1。</translation>
    </message>
    <message>
        <location filename="../src/app/startupchecks.cpp" line="85"/>
        <location filename="../src/cli/reportcommand.cpp" line="315"/>
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
        <location filename="../src/mainwindow/reportpages.cpp" line="54"/>
        <source>明细</source>
        <translation>明细</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/reportpages.cpp" line="55"/>
        <source>查看每一次运行</source>
        <translation>查看每一次运行</translation>
    </message>
    <message>
        <location filename="../src/mainwindow/reportpages.cpp" line="177"/>
        <source>各用户执行次数</source>
        <translation>各用户执行次数</translation>
    </message>
</context>
<context>
    <name>QueryProgressDialog</name>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="38"/>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="45"/>
        <source>正在查询…</source>
        <translation>正在查询…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="62"/>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="83"/>
        <source>正在取消查询…</source>
        <translation>正在取消查询…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="89"/>
        <source>正在准备查询…</source>
        <translation>正在准备查询…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="92"/>
        <source>正在检索审计日志…</source>
        <translation>正在检索审计日志…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="95"/>
        <source>正在统计检索结果…</source>
        <translation>正在统计检索结果…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="98"/>
        <source>正在生成报告…</source>
        <translation>正在生成报告…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="101"/>
        <source>正在汇总审计日志…</source>
        <translation>正在汇总审计日志…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="120"/>
        <source>已读取审计日志 %1 / %2</source>
        <translation>已读取审计日志 %1 / %2</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="122"/>
        <source>正在打开审计日志…</source>
        <translation>正在打开审计日志…</translation>
    </message>
    <message>
        <location filename="../src/widgets/queryprogressdialog.cpp" line="124"/>
        <source>审计日志已读完</source>
        <translation>审计日志已读完</translation>
    </message>
</context>
<context>
    <name>ReportCommand</name>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="152"/>
        <source>未知的参数：%1</source>
        <translation>未知的参数：%1</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="156"/>
        <source>选项 %1 只能给出一次</source>
        <translation>选项 %1 只能给出一次</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="164"/>
        <location filename="../src/cli/reportcommand.cpp" line="202"/>
        <source>选项 %1 缺少值</source>
        <translation>选项 %1 缺少值</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="173"/>
        <source>缺少 --report 事件类型</source>
        <translation>缺少 --report 事件类型</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="178"/>
        <source>未知的事件类型：%1</source>
        <translation>未知的事件类型：%1</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="189"/>
        <source>%1 的日期无效：%2（应为 1970-01-01 至 2068-12-31 间的 YYYY-MM-DD）</source>
        <translation>%1 的日期无效：%2（应为 1970-01-01 至 2068-12-31 间的 YYYY-MM-DD）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="207"/>
        <source>缺少 --format 报告格式（可选：%1）</source>
        <translation>缺少 --format 报告格式（可选：%1）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="211"/>
        <source>未知的报告格式：%1（可选：%2）</source>
        <translation>未知的报告格式：%1（可选：%2）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="216"/>
        <source>缺少 --output 文件（- 表示标准输出）</source>
        <translation>缺少 --output 文件（- 表示标准输出）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="247"/>
        <source>用法：kvr-auditreport --report 类型 [--from YYYY-MM-DD] [--to YYYY-MM-DD]
                      [--trail 路径] --format 格式 --output 文件|- [--verbose]

不打开窗口生成审计报告，无需图形界面（可由 cron 运行，与打开的窗口互不影响）。

  --report 类型   事件类型：%1；或 all（全部）
  --from 日期     开始日期（含当天），1970-01-01 至 2068-12-31；省略则不限
  --to 日期       结束日期（含当天）；开始日期不得晚于结束日期；省略则不限
  --trail 路径    读取此审计日志文件或目录，而非系统的审计日志
  --format 格式   报告格式：%2
  --output 文件   写入的文件（先写入同目录的新文件再替换，不经由该名称处的链接）；
                  - 表示标准输出
  --verbose       把诊断行和审计工具的错误信息写到标准错误
  --help          显示此帮助
  --version       显示版本

doc 格式与窗口“导出报告”写出的内容相同：查询报告的四行文本；--report all 且不带
日期时为审计日志的总体摘要。查询没有找到任何记录时，报告为四行文本，时间范围为空、
记录条数为 0、没有用户。
csv 格式每次运行一行（time,login_user,acting_user,host,terminal,result,command），
总体摘要每项一行（figure,value）；html 格式为一个独立的可打印网页，含运行明细。

退出状态：0 已写出报告；2 参数错误；3 无法读取审计日志；4 审计工具或统计命令失败或
被中止；5 审计日志过大；6 无法写入输出文件。出错时在标准错误写一行原因。
</source>
        <translation>用法：kvr-auditreport --report 类型 [--from YYYY-MM-DD] [--to YYYY-MM-DD]
                      [--trail 路径] --format 格式 --output 文件|- [--verbose]

不打开窗口生成审计报告，无需图形界面（可由 cron 运行，与打开的窗口互不影响）。

  --report 类型   事件类型：%1；或 all（全部）
  --from 日期     开始日期（含当天），1970-01-01 至 2068-12-31；省略则不限
  --to 日期       结束日期（含当天）；开始日期不得晚于结束日期；省略则不限
  --trail 路径    读取此审计日志文件或目录，而非系统的审计日志
  --format 格式   报告格式：%2
  --output 文件   写入的文件（先写入同目录的新文件再替换，不经由该名称处的链接）；
                  - 表示标准输出
  --verbose       把诊断行和审计工具的错误信息写到标准错误
  --help          显示此帮助
  --version       显示版本

doc 格式与窗口“导出报告”写出的内容相同：查询报告的四行文本；--report all 且不带
日期时为审计日志的总体摘要。查询没有找到任何记录时，报告为四行文本，时间范围为空、
记录条数为 0、没有用户。
csv 格式每次运行一行（time,login_user,acting_user,host,terminal,result,command），
总体摘要每项一行（figure,value）；html 格式为一个独立的可打印网页，含运行明细。

退出状态：0 已写出报告；2 参数错误；3 无法读取审计日志；4 审计工具或统计命令失败或
被中止；5 审计日志过大；6 无法写入输出文件。出错时在标准错误写一行原因。
</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="285"/>
        <source>（用法见 --help）</source>
        <translation>（用法见 --help）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="324"/>
        <source>无法创建临时工作目录（%1）</source>
        <translation>无法创建临时工作目录（%1）</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="353"/>
        <source>无法生成 %1 格式的报告</source>
        <translation>无法生成 %1 格式的报告</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="360"/>
        <source>无法写入 %1：%2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/cli/reportcommand.cpp" line="360"/>
        <source>标准输出</source>
        <translation>标准输出</translation>
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
        <location filename="../src/audit/runsfile.cpp" line="237"/>
        <source>无法读取运行记录文件 %1：%2</source>
        <translation>无法读取运行记录文件 %1：%2</translation>
    </message>
    <message>
        <location filename="../src/audit/runsfile.cpp" line="240"/>
        <source>%1 不是运行记录文件（第一行应为 “%2”），未显示任何运行。</source>
        <translation>%1 不是运行记录文件（第一行应为 “%2”），未显示任何运行。</translation>
    </message>
    <message numerus="yes">
        <location filename="../src/audit/runsfile.cpp" line="249"/>
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
