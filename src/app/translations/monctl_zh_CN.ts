<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>InputNotice</name>
    <message>
        <source>The monitor&apos;s buttons cannot drive this desktop: %1.</source>
        <translation>显示器的按键无法操作此桌面：%1。</translation>
    </message>
</context>
<context>
    <name>PermissionNotice</name>
    <message>
        <source>monctl may not open %1. The device belongs to the group %2: add yourself to it with &quot;sudo usermod -aG %2 $USER&quot;, then log out and in again.</source>
        <translation>monctl 无权打开 %1。该设备属于用户组 %2：请用 &quot;sudo usermod -aG %2 $USER&quot; 把自己加入该组，然后注销并重新登录。</translation>
    </message>
    <message>
        <source>monctl may not open %1: only its owner and root may. A udev rule in /etc/udev/rules.d can give the adapter to the serial adapters&apos; group (%2 on Debian), for example KERNEL==&quot;ttyUSB[0-9]*&quot;, GROUP=&quot;%2&quot;, MODE=&quot;0660&quot;; then join that group with &quot;sudo usermod -aG %2 $USER&quot; and log out and in again. &quot;monctl doctor&quot; shows who owns the device and who holds it.</source>
        <translation>monctl 无权打开 %1：只有其所有者和 root 可以打开。可在 /etc/udev/rules.d 中用一条 udev 规则把该适配器交给串口适配器所属的用户组（Debian 上为 %2），例如 KERNEL==&quot;ttyUSB[0-9]*&quot;, GROUP=&quot;%2&quot;, MODE=&quot;0660&quot;；然后用 &quot;sudo usermod -aG %2 $USER&quot; 加入该组，并注销后重新登录。&quot;monctl doctor&quot; 会显示该设备的所有者和占用者。</translation>
    </message>
</context>
<context>
    <name>ShortcutValidator</name>
    <message>
        <source>This shortcut cannot be used because it is already used by the menu item ‘%1’.</source>
        <translation>键入快捷键已经被 ‘%1’ 菜单所使用.</translation>
    </message>
</context>
<context>
    <name>monctl::AboutBox</name>
    <message>
        <source>monctl controls a monitor attached by a USB-to-serial link.</source>
        <translation>monctl 通过 USB 转串口连接控制显示器。</translation>
    </message>
    <message>
        <source>Backends in use:</source>
        <translation>正在使用的后端：</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>版本 %1</translation>
    </message>
    <message>
        <source>Published under the MIT licence.</source>
        <translation>以 MIT 许可证发布。</translation>
    </message>
    <message>
        <source>input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>background shortcuts</source>
        <translation>后台快捷键</translation>
    </message>
    <message>
        <source>taken combinations</source>
        <translation>已被占用的组合键</translation>
    </message>
    <message>
        <source>keyboard layout</source>
        <translation>键盘布局</translation>
    </message>
    <message>
        <source>desktop shortcuts</source>
        <translation>桌面快捷键</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>%1: none (%2)</source>
        <translation>%1：无（%2）</translation>
    </message>
    <message>
        <source>XInput 2 raw key events</source>
        <translation>XInput 2 原始按键事件</translation>
    </message>
    <message>
        <source>X11 key grabs of other programs</source>
        <translation>其他程序的 X11 按键抓取</translation>
    </message>
    <message>
        <source>the X server&apos;s keymap (xkbcommon)</source>
        <translation>X 服务器的键位表（xkbcommon）</translation>
    </message>
    <message>
        <source>the XKB environment&apos;s layout (xkbcommon)</source>
        <translation>XKB 环境变量给出的布局（xkbcommon）</translation>
    </message>
    <message>
        <source>neither the X server&apos;s keymap nor the XKB environment&apos;s layout can be read</source>
        <translation>X 服务器的键位表和 XKB 环境变量给出的布局都无法读取</translation>
    </message>
    <message>
        <source>Wayland shows no program the key presses meant for others</source>
        <translation>Wayland 不让任何程序看到发给其他程序的按键</translation>
    </message>
    <message>
        <source>Wayland shows no program the combinations others hold</source>
        <translation>Wayland 不让任何程序看到其他程序占用的组合键</translation>
    </message>
    <message>
        <source>the desktop&apos;s shortcut portal is used on Wayland only</source>
        <translation>桌面的快捷键门户只在 Wayland 上使用</translation>
    </message>
    <message>
        <source>no X display can be opened to see other programs&apos; key grabs</source>
        <translation>无法打开 X 显示，看不到其他程序的按键抓取</translation>
    </message>
    <message>
        <source>synthetic input needs X11, and no X display can be opened</source>
        <translation>模拟输入需要 X11，但无法打开 X 显示</translation>
    </message>
    <message>
        <source>the X server has no XTest extension</source>
        <translation>X 服务器没有 XTest 扩展</translation>
    </message>
    <message>
        <source>background shortcuts need X11, and no X display can be opened</source>
        <translation>后台快捷键需要 X11，但无法打开 X 显示</translation>
    </message>
    <message>
        <source>background shortcuts need the X server&apos;s XInput 2 extension</source>
        <translation>后台快捷键需要 X 服务器的 XInput 2 扩展</translation>
    </message>
    <message>
        <source>background shortcuts need the X server&apos;s XKEYBOARD extension</source>
        <translation>后台快捷键需要 X 服务器的 XKEYBOARD 扩展</translation>
    </message>
    <message>
        <source>there is no session bus to reach the desktop&apos;s portal on</source>
        <translation>没有可用来连接桌面门户的会话总线</translation>
    </message>
    <message>
        <source>the desktop offers no portal (org.freedesktop.portal.Desktop)</source>
        <translation>桌面没有提供门户（org.freedesktop.portal.Desktop）</translation>
    </message>
    <message>
        <source>the desktop&apos;s portal has no GlobalShortcuts interface</source>
        <translation>桌面门户没有 GlobalShortcuts 接口</translation>
    </message>
    <message>
        <source>the desktop&apos;s GlobalShortcuts portal reports no usable version</source>
        <translation>桌面的 GlobalShortcuts 门户没有给出可用的版本</translation>
    </message>
    <message>
        <source>application in front</source>
        <translation>前台应用</translation>
    </message>
    <message>
        <source>the window manager&apos;s _NET_ACTIVE_WINDOW</source>
        <translation>窗口管理器的 _NET_ACTIVE_WINDOW</translation>
    </message>
    <message>
        <source>the window in front is read from X11, and no X display can be opened</source>
        <translation>前台窗口从 X11 读取，但无法打开 X 显示</translation>
    </message>
    <message>
        <source>wlroots foreign-toplevel list</source>
        <translation>wlroots 外部顶层窗口列表</translation>
    </message>
    <message>
        <source>the Wayland compositor cannot be reached</source>
        <translation>无法连接 Wayland 合成器</translation>
    </message>
    <message>
        <source>the compositor offers no wlroots foreign-toplevel list</source>
        <translation>合成器不提供 wlroots 外部顶层窗口列表</translation>
    </message>
    <message>
        <source>a KWin script</source>
        <translation>KWin 脚本</translation>
    </message>
    <message>
        <source>no KWin answers on the session bus</source>
        <translation>会话总线上没有 KWin 应答</translation>
    </message>
    <message>
        <source>GNOME on Wayland tells the window in front only to Shell extensions</source>
        <translation>Wayland 上的 GNOME 只把前台窗口告诉 Shell 扩展</translation>
    </message>
    <message>
        <source>the compositor tells no program which window is in front: it is neither KWin nor a wlroots compositor</source>
        <translation>合成器不告诉任何程序哪个窗口在前台：它既不是 KWin，也不是 wlroots 合成器</translation>
    </message>
</context>
<context>
    <name>monctl::AppShell</name>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>设置(&amp;S)…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About monctl</source>
        <translation>关于 monctl(&amp;A)</translation>
    </message>
    <message>
        <source>Fast refresh of the monitor</source>
        <translation>显示器快速刷新</translation>
    </message>
    <message>
        <source>Monitor contrast up</source>
        <translation>显示器对比度加</translation>
    </message>
    <message>
        <source>Monitor contrast down</source>
        <translation>显示器对比度减</translation>
    </message>
</context>
<context>
    <name>monctl::ApplicationsView</name>
    <message>
        <source>Applications</source>
        <translation>应用程序</translation>
    </message>
    <message>
        <source>Application in front</source>
        <translation>前台应用</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>application id, or * for every other</source>
        <translation>应用程序 ID，或用 * 表示其他所有应用</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>This desktop does not tell which application is in front: %1</source>
        <translation>此桌面不告知哪个应用在前台：%1</translation>
    </message>
    <message>
        <source>an application needs a name</source>
        <translation>应用程序需要名称</translation>
    </message>
    <message>
        <source>an application&apos;s name has at most 255 characters</source>
        <translation>应用程序名称最多 255 个字符</translation>
    </message>
    <message>
        <source>an application&apos;s name may not hold control characters, / or \</source>
        <translation>应用程序名称不能包含控制字符、/ 或 \</translation>
    </message>
    <message>
        <source>Presets of the applications</source>
        <translation>各应用的预设</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>应用程序</translation>
    </message>
    <message>
        <source>Application&apos;s id</source>
        <translation>应用程序 ID</translation>
    </message>
    <message>
        <source>Preset for the application</source>
        <translation>应用程序的预设</translation>
    </message>
    <message>
        <source>Add the application&apos;s preset</source>
        <translation>添加应用程序的预设</translation>
    </message>
    <message>
        <source>Delete the application&apos;s preset</source>
        <translation>删除应用程序的预设</translation>
    </message>
</context>
<context>
    <name>monctl::ChangeNotices</name>
    <message>
        <source>Contrast %1</source>
        <translation>对比度 %1</translation>
    </message>
    <message>
        <source>Speed %1</source>
        <translation>速度 %1</translation>
    </message>
    <message>
        <source>Monitor %1 is back</source>
        <translation>显示器 %1 已恢复连接</translation>
    </message>
    <message>
        <source>Monitor %1 went away</source>
        <translation>显示器 %1 已断开</translation>
    </message>
    <message>
        <source>%1: contrast %2, %3, %4</source>
        <translation>%1：对比度 %2，%3，%4</translation>
    </message>
</context>
<context>
    <name>monctl::ControlPanel</name>
    <message>
        <source>Currently there is no starter, and the stability is poor. Press Enter to close the pop-up window.</source>
        <translation>当前没有设置启动台，稳定性较差，回车关闭弹窗。</translation>
    </message>
    <message>
        <source>No Match</source>
        <translation>无匹配</translation>
    </message>
    <message>
        <source>Valid Port</source>
        <translation>有效端口</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>对比度</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>Time Sync</source>
        <translation>时间同步</translation>
    </message>
    <message>
        <source>Get Parameters</source>
        <translation>获取参数</translation>
    </message>
    <message>
        <source>Fast Refresh</source>
        <translation>快速刷新</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
</context>
<context>
    <name>monctl::DesktopSettingsView</name>
    <message>
        <source>Keep running in the tray when the window is closed</source>
        <translation>关闭窗口后在托盘中继续运行</translation>
    </message>
    <message>
        <source>Start at login</source>
        <translation>登录时启动</translation>
    </message>
    <message>
        <source>Fast refresh every</source>
        <translation>定时快速刷新，每隔</translation>
    </message>
    <message>
        <source> minutes</source>
        <translation> 分钟</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>显示通知</translation>
    </message>
    <message>
        <source>Give a monitor its last settings when it is plugged in</source>
        <translation>显示器插入时恢复其上次的设置</translation>
    </message>
    <message>
        <source>This desktop has no tray: closing the window ends monctl.</source>
        <translation>此桌面没有托盘：关闭窗口即退出 monctl。</translation>
    </message>
    <message>
        <source>Minutes between fast refreshes</source>
        <translation>定时快速刷新的间隔（分钟）</translation>
    </message>
</context>
<context>
    <name>monctl::PresetsView</name>
    <message>
        <source>Presets</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Name of the preset</source>
        <translation>预设名称</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>重命名</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>a preset needs a name</source>
        <translation>预设需要一个名称</translation>
    </message>
    <message>
        <source>a preset&apos;s name has at most 64 characters</source>
        <translation>预设名称最多 64 个字符</translation>
    </message>
    <message>
        <source>a preset&apos;s name may not hold control characters, =, [, ], / or \</source>
        <translation>预设名称不能包含控制字符、=、[、]、/ 或 \</translation>
    </message>
    <message>
        <source>The preferences file cannot be written</source>
        <translation>无法写入偏好设置文件</translation>
    </message>
    <message>
        <source>A preset of this name exists already</source>
        <translation>已有同名的预设</translation>
    </message>
    <message>
        <source>Add preset</source>
        <translation>添加预设</translation>
    </message>
    <message>
        <source>Rename preset</source>
        <translation>重命名预设</translation>
    </message>
    <message>
        <source>Delete preset</source>
        <translation>删除预设</translation>
    </message>
    <message>
        <source>Apply preset</source>
        <translation>应用预设</translation>
    </message>
</context>
<context>
    <name>monctl::ScheduleView</name>
    <message>
        <source>Schedule</source>
        <translation>定时计划</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Preset to schedule</source>
        <translation>要定时应用的预设</translation>
    </message>
    <message>
        <source>Add to the schedule</source>
        <translation>添加到定时计划</translation>
    </message>
    <message>
        <source>Delete from the schedule</source>
        <translation>从定时计划中删除</translation>
    </message>
</context>
<context>
    <name>monctl::SettingNames</name>
    <message>
        <source>Text Mode</source>
        <translation>文本模式</translation>
    </message>
    <message>
        <source>Graphic Mode</source>
        <translation>图文模式</translation>
    </message>
    <message>
        <source>Video Mode</source>
        <translation>视频模式</translation>
    </message>
    <message>
        <source>%1 (not responding)</source>
        <translation>%1（无响应）</translation>
    </message>
</context>
<context>
    <name>monctl::SettingsWindow</name>
    <message>
        <source>Fast Refresh Hotkey</source>
        <translation>快速刷新热键</translation>
    </message>
    <message>
        <source>Contrast Hotkey</source>
        <translation>对比度热键</translation>
    </message>
    <message>
        <source>Up:</source>
        <translation>增加:</translation>
    </message>
    <message>
        <source>Down:</source>
        <translation>减小:</translation>
    </message>
    <message>
        <source>Language Settings</source>
        <translation>语言设置</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>生效</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Contrast Up Hotkey</source>
        <translation>对比度增加热键</translation>
    </message>
    <message>
        <source>Contrast Down Hotkey</source>
        <translation>对比度减小热键</translation>
    </message>
</context>
<context>
    <name>monctl::ShortcutReachNote</name>
    <message>
        <source>Waiting for the desktop to bind the shortcuts…</source>
        <translation>正在等待桌面绑定快捷键…</translation>
    </message>
    <message>
        <source>The desktop did not bind the shortcuts: they work only while monctl is in front.</source>
        <translation>桌面未绑定快捷键：快捷键仅在 monctl 位于前台时有效。</translation>
    </message>
    <message>
        <source>Shortcuts work only while monctl is in front.</source>
        <translation>快捷键仅在 monctl 位于前台时有效。</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3.</source>
        <translation>桌面已绑定：快速刷新 %1，对比度加 %2，对比度减 %3。</translation>
    </message>
    <message>
        <source>The desktop did not accept monctl&apos;s application id and binds no shortcuts for it: they work only while monctl is in front.</source>
        <translation>桌面不接受 monctl 的应用程序标识，不为它绑定快捷键：快捷键仅在 monctl 位于前台时有效。</translation>
    </message>
    <message>
        <source>The desktop opened no shortcut session for monctl: shortcuts work only while monctl is in front.</source>
        <translation>桌面没有为 monctl 打开快捷键会话：快捷键仅在 monctl 位于前台时有效。</translation>
    </message>
    <message>
        <source>Assign the missing ones in System Settings → Shortcuts → monctl.</source>
        <translation>请在“系统设置 → 快捷键 → monctl”中为缺少按键的快捷键指定按键。</translation>
    </message>
    <message>
        <source>Assign the missing ones in the desktop&apos;s keyboard shortcut settings.</source>
        <translation>请在桌面的键盘快捷键设置中为缺少按键的快捷键指定按键。</translation>
    </message>
    <message>
        <source>Configure…</source>
        <translation>配置…</translation>
    </message>
</context>
<context>
    <name>monctl::ShortcutView</name>
    <message>
        <source>Record Shortcut</source>
        <translation>输入快捷键</translation>
    </message>
    <message>
        <source>Use Old Shortcut</source>
        <translation>使用旧快捷键</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Type New Shortcut</source>
        <translation>键入新快捷键</translation>
    </message>
    <message>
        <source>Type Shortcut</source>
        <translation>输入快捷键</translation>
    </message>
    <message>
        <source>Click to record new shortcut</source>
        <translation>单击记录快捷键</translation>
    </message>
    <message>
        <source>Delete shortcut</source>
        <translation>删除快捷键</translation>
    </message>
    <message>
        <source>The key combination %1 cannot be used</source>
        <translation>组合键%1不能被使用</translation>
    </message>
    <message>
        <source>no shortcut</source>
        <translation>无快捷键</translation>
    </message>
</context>
<context>
    <name>monctl::TrayIcon</name>
    <message>
        <source>Fast Refresh</source>
        <translation>快速刷新</translation>
    </message>
    <message>
        <source>All Monitors</source>
        <translation>所有显示器</translation>
    </message>
    <message>
        <source>Contrast Up</source>
        <translation>对比度增加</translation>
    </message>
    <message>
        <source>Contrast Down</source>
        <translation>对比度减少</translation>
    </message>
    <message>
        <source>Show Window</source>
        <translation>显示窗口</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>设置…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>模式</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>速度</translation>
    </message>
    <message>
        <source>monctl: no monitor</source>
        <translation>monctl：没有显示器</translation>
    </message>
    <message>
        <source>monctl: %1, contrast %2, %3</source>
        <translation>monctl：%1，对比度 %2，%3</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>No Presets</source>
        <translation>没有预设</translation>
    </message>
</context>
</TS>
