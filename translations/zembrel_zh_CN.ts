<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CommandLine</name>
    <message>
        <source>Try &apos;%1 --help&apos; for more information.</source>
        <translation>运行“%1 --help”查看更多说明。</translation>
    </message>
    <message>
        <source>Not an HTTP proxy address: %1</source>
        <translation>不是 HTTP 代理地址：%1</translation>
    </message>
    <message>
        <source>--demo and --proxy cannot be used together.</source>
        <translation>--demo 和 --proxy 不能同时使用。</translation>
    </message>
    <message>
        <source>Checks which shops in a shop&apos;s friend-link block link back to it.
Each ADDRESS is analysed in turn, as if typed into the address box.</source>
        <translation>检查店铺友情链接里的哪些店铺也链接了这家店铺。
依次分析每个地址，就像把它输入地址栏一样。</translation>
    </message>
    <message>
        <source>Fetch all pages through this HTTP proxy.</source>
        <translation>所有页面都通过这个 HTTP 代理下载。</translation>
    </message>
    <message>
        <source>Give up on a page after this long (default 60).</source>
        <translation>一个页面最多等这么多秒（默认 60）。</translation>
    </message>
    <message>
        <source>SECONDS</source>
        <translation>秒数</translation>
    </message>
    <message>
        <source>Output: table (default on a terminal), tsv or json.</source>
        <translation>输出格式：table（在终端里默认）、tsv 或 json。</translation>
    </message>
    <message>
        <source>Analyse against the built-in demo marketplace (default address: the demo shop); nothing leaves the machine.</source>
        <translation>在内置的演示市场上分析（默认地址是演示店铺），不会访问外部网络。</translation>
    </message>
    <message>
        <source>Fetch up to N pages at once, reading ahead of the row being checked (1 to 32, default 4; 1 fetches one page after another). The results are the same for every N.</source>
        <translation>同时最多下载 N 个页面，提前下载正在检查的行下面的页面（1 到 32，默认 4；1 表示一个接一个地下载）。N 不同，结果相同。</translation>
    </message>
    <message>
        <source>Load up to R click-redirect rows ahead of the row being checked, each in a browser page of its own, at most R + 1 pages at once (0 to 8, default 2; 0 loads one row at a time). The results are the same for every R.</source>
        <translation>提前在内置浏览器里打开最多 R 个跳转链接行，每行一个浏览器页面，同时最多 R + 1 个页面（0 到 8，默认 2；0 表示一次只打开一行）。R 不同，结果相同。</translation>
    </message>
    <message>
        <source>Compare the results with PREVIOUS, the JSON output of an earlier check, and list what changed.</source>
        <translation>把结果和 PREVIOUS（之前一次检查的 JSON 输出）比较，列出变化。</translation>
    </message>
    <message>
        <source>ADDRESS</source>
        <translation>地址</translation>
    </message>
    <message>
        <source>ADDRESS...</source>
        <translation>地址...</translation>
    </message>
    <message>
        <source>Unknown format: %1</source>
        <translation>未知的输出格式：%1</translation>
    </message>
    <message>
        <source>Not a time-out in seconds: %1</source>
        <translation>不是以秒为单位的等待时间：%1</translation>
    </message>
    <message>
        <source>Not a number of jobs from 1 to 32: %1</source>
        <translation>不是 1 到 32 之间的同时下载数：%1</translation>
    </message>
    <message>
        <source>Not a number of render jobs from 0 to 8: %1</source>
        <translation>不是 0 到 8 之间的浏览器页面数：%1</translation>
    </message>
    <message>
        <source>No shop address given.</source>
        <translation>没有给出店铺地址。</translation>
    </message>
    <message>
        <source>Open with the demo shop, served by the built-in demo marketplace.</source>
        <translation>打开时使用演示店铺，由内置的演示市场提供。</translation>
    </message>
    <message>
        <source>Checks which shops in a shop&apos;s friend-link block link back to it.</source>
        <translation>检查店铺友情链接里的哪些店铺也链接了这家店铺。</translation>
    </message>
    <message>
        <source>Compare the results with the latest earlier check of the same address in the history, and list what changed.</source>
        <translation>把结果与检查记录里同一地址的上一次检查比较，列出变化。</translation>
    </message>
    <message>
        <source>With --compare or --since-last: exit with status 3 when a shop stopped linking back, left the friend links or closed.</source>
        <translation>与 --compare 或 --since-last 一起使用：有店铺不再链接你、离开了友情链接或已关闭时，退出状态为 3。</translation>
    </message>
    <message>
        <source>Do not record this check in the history.</source>
        <translation>不把这次检查写入检查记录。</translation>
    </message>
    <message>
        <source>List the recorded checks, newest first, of the one ADDRESS given or of every address; fetches nothing.</source>
        <translation>列出给定地址（不给则为所有地址）的检查记录，最新的在前；不访问任何网页。</translation>
    </message>
    <message>
        <source>A shop address (with --list-history: at most one, whose checks are listed).</source>
        <translation>店铺地址（与 --list-history 一起使用时最多一个，列出它的检查记录）。</translation>
    </message>
    <message>
        <source>--since-last and --compare cannot be used together.</source>
        <translation>--since-last 和 --compare 不能一起使用。</translation>
    </message>
    <message>
        <source>--fail-on-drop needs --compare or --since-last.</source>
        <translation>--fail-on-drop 需要与 --compare 或 --since-last 一起使用。</translation>
    </message>
    <message>
        <source>--list-history cannot be used with --compare, --since-last or --fail-on-drop.</source>
        <translation>--list-history 不能与 --compare、--since-last 或 --fail-on-drop 一起使用。</translation>
    </message>
    <message>
        <source>--list-history takes at most one address.</source>
        <translation>--list-history 最多只能给一个地址。</translation>
    </message>
    <message>
        <source>With --since-last: also show a shop lost as a desktop notification, which opens the window&apos;s list of changes when clicked, and wait until it is clicked or closed (at most 8 hours). Without a notification service nothing is shown.</source>
        <translation>与 --since-last 一起使用：有店铺流失时还在桌面上显示通知，点击通知会打开窗口里的变化列表；程序等到通知被点击或关闭（最多 8 小时）。没有通知服务时不显示。</translation>
    </message>
    <message>
        <source>--notify needs --since-last.</source>
        <translation>--notify 需要与 --since-last 一起使用。</translation>
    </message>
    <message>
        <source>--notify cannot be used with --no-history.</source>
        <translation>--notify 不能与 --no-history 一起使用。</translation>
    </message>
    <message>
        <source>Open with ADDRESS in the address box and list the changes its latest check found since the check before it.</source>
        <translation>打开窗口，地址栏里填好这个地址，并列出它最近一次检查与再上一次相比的变化。</translation>
    </message>
</context>
</TS>
