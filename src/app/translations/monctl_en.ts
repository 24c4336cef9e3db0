<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>InputNotice</name>
    <message>
        <source>The monitor&apos;s buttons cannot drive this desktop: %1.</source>
        <translation>The monitor&apos;s buttons cannot drive this desktop: %1.</translation>
    </message>
</context>
<context>
    <name>PermissionNotice</name>
    <message>
        <source>monctl may not open %1. The device belongs to the group %2: add yourself to it with &quot;sudo usermod -aG %2 $USER&quot;, then log out and in again.</source>
        <translation>monctl may not open %1. The device belongs to the group %2: add yourself to it with &quot;sudo usermod -aG %2 $USER&quot;, then log out and in again.</translation>
    </message>
    <message>
        <source>monctl may not open %1: only its owner and root may. A udev rule in /etc/udev/rules.d can give the adapter to the serial adapters&apos; group (%2 on Debian), for example KERNEL==&quot;ttyUSB[0-9]*&quot;, GROUP=&quot;%2&quot;, MODE=&quot;0660&quot;; then join that group with &quot;sudo usermod -aG %2 $USER&quot; and log out and in again. &quot;monctl doctor&quot; shows who owns the device and who holds it.</source>
        <translation>monctl may not open %1: only its owner and root may. A udev rule in /etc/udev/rules.d can give the adapter to the serial adapters&apos; group (%2 on Debian), for example KERNEL==&quot;ttyUSB[0-9]*&quot;, GROUP=&quot;%2&quot;, MODE=&quot;0660&quot;; then join that group with &quot;sudo usermod -aG %2 $USER&quot; and log out and in again. &quot;monctl doctor&quot; shows who owns the device and who holds it.</translation>
    </message>
</context>
<context>
    <name>ShortcutValidator</name>
    <message>
        <source>This shortcut cannot be used because it is already used by the menu item ‘%1’.</source>
        <translation>This shortcut cannot be used because it is already used by the menu item ‘%1’.</translation>
    </message>
</context>
<context>
    <name>monctl::AboutBox</name>
    <message>
        <source>monctl controls a monitor attached by a USB-to-serial link.</source>
        <translation>monctl controls a monitor attached by a USB-to-serial link.</translation>
    </message>
    <message>
        <source>Backends in use:</source>
        <translation>Backends in use:</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Published under the MIT licence.</source>
        <translation>Published under the MIT licence.</translation>
    </message>
    <message>
        <source>input</source>
        <translation>input</translation>
    </message>
    <message>
        <source>background shortcuts</source>
        <translation>background shortcuts</translation>
    </message>
    <message>
        <source>taken combinations</source>
        <translation>taken combinations</translation>
    </message>
    <message>
        <source>keyboard layout</source>
        <translation>keyboard layout</translation>
    </message>
    <message>
        <source>desktop shortcuts</source>
        <translation>desktop shortcuts</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1: none (%2)</source>
        <translation>%1: none (%2)</translation>
    </message>
    <message>
        <source>XInput 2 raw key events</source>
        <translation>XInput 2 raw key events</translation>
    </message>
    <message>
        <source>X11 key grabs of other programs</source>
        <translation>X11 key grabs of other programs</translation>
    </message>
    <message>
        <source>the X server&apos;s keymap (xkbcommon)</source>
        <translation>the X server&apos;s keymap (xkbcommon)</translation>
    </message>
    <message>
        <source>the XKB environment&apos;s layout (xkbcommon)</source>
        <translation>the XKB environment&apos;s layout (xkbcommon)</translation>
    </message>
    <message>
        <source>neither the X server&apos;s keymap nor the XKB environment&apos;s layout can be read</source>
        <translation>neither the X server&apos;s keymap nor the XKB environment&apos;s layout can be read</translation>
    </message>
    <message>
        <source>Wayland shows no program the key presses meant for others</source>
        <translation>Wayland shows no program the key presses meant for others</translation>
    </message>
    <message>
        <source>Wayland shows no program the combinations others hold</source>
        <translation>Wayland shows no program the combinations others hold</translation>
    </message>
    <message>
        <source>the desktop&apos;s shortcut portal is used on Wayland only</source>
        <translation>the desktop&apos;s shortcut portal is used on Wayland only</translation>
    </message>
    <message>
        <source>no X display can be opened to see other programs&apos; key grabs</source>
        <translation>no X display can be opened to see other programs&apos; key grabs</translation>
    </message>
    <message>
        <source>synthetic input needs X11, and no X display can be opened</source>
        <translation>synthetic input needs X11, and no X display can be opened</translation>
    </message>
    <message>
        <source>the X server has no XTest extension</source>
        <translation>the X server has no XTest extension</translation>
    </message>
    <message>
        <source>background shortcuts need X11, and no X display can be opened</source>
        <translation>background shortcuts need X11, and no X display can be opened</translation>
    </message>
    <message>
        <source>background shortcuts need the X server&apos;s XInput 2 extension</source>
        <translation>background shortcuts need the X server&apos;s XInput 2 extension</translation>
    </message>
    <message>
        <source>background shortcuts need the X server&apos;s XKEYBOARD extension</source>
        <translation>background shortcuts need the X server&apos;s XKEYBOARD extension</translation>
    </message>
    <message>
        <source>there is no session bus to reach the desktop&apos;s portal on</source>
        <translation>there is no session bus to reach the desktop&apos;s portal on</translation>
    </message>
    <message>
        <source>the desktop offers no portal (org.freedesktop.portal.Desktop)</source>
        <translation>the desktop offers no portal (org.freedesktop.portal.Desktop)</translation>
    </message>
    <message>
        <source>the desktop&apos;s portal has no GlobalShortcuts interface</source>
        <translation>the desktop&apos;s portal has no GlobalShortcuts interface</translation>
    </message>
    <message>
        <source>the desktop&apos;s GlobalShortcuts portal reports no usable version</source>
        <translation>the desktop&apos;s GlobalShortcuts portal reports no usable version</translation>
    </message>
    <message>
        <source>application in front</source>
        <translation>application in front</translation>
    </message>
    <message>
        <source>the window manager&apos;s _NET_ACTIVE_WINDOW</source>
        <translation>the window manager&apos;s _NET_ACTIVE_WINDOW</translation>
    </message>
    <message>
        <source>the window in front is read from X11, and no X display can be opened</source>
        <translation>the window in front is read from X11, and no X display can be opened</translation>
    </message>
    <message>
        <source>wlroots foreign-toplevel list</source>
        <translation>wlroots foreign-toplevel list</translation>
    </message>
    <message>
        <source>the Wayland compositor cannot be reached</source>
        <translation>the Wayland compositor cannot be reached</translation>
    </message>
    <message>
        <source>the compositor offers no wlroots foreign-toplevel list</source>
        <translation>the compositor offers no wlroots foreign-toplevel list</translation>
    </message>
    <message>
        <source>a KWin script</source>
        <translation>a KWin script</translation>
    </message>
    <message>
        <source>no KWin answers on the session bus</source>
        <translation>no KWin answers on the session bus</translation>
    </message>
    <message>
        <source>GNOME on Wayland tells the window in front only to Shell extensions</source>
        <translation>GNOME on Wayland tells the window in front only to Shell extensions</translation>
    </message>
    <message>
        <source>the compositor tells no program which window is in front: it is neither KWin nor a wlroots compositor</source>
        <translation>the compositor tells no program which window is in front: it is neither KWin nor a wlroots compositor</translation>
    </message>
</context>
<context>
    <name>monctl::AppShell</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Settings…</source>
        <translation>&amp;Settings…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;About monctl</source>
        <translation>&amp;About monctl</translation>
    </message>
    <message>
        <source>Fast refresh of the monitor</source>
        <translation>Fast refresh of the monitor</translation>
    </message>
    <message>
        <source>Monitor contrast up</source>
        <translation>Monitor contrast up</translation>
    </message>
    <message>
        <source>Monitor contrast down</source>
        <translation>Monitor contrast down</translation>
    </message>
</context>
<context>
    <name>monctl::ApplicationsView</name>
    <message>
        <source>Applications</source>
        <translation>Applications</translation>
    </message>
    <message>
        <source>Application in front</source>
        <translation>Application in front</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Preset</translation>
    </message>
    <message>
        <source>application id, or * for every other</source>
        <translation>application id, or * for every other</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>This desktop does not tell which application is in front: %1</source>
        <translation>This desktop does not tell which application is in front: %1</translation>
    </message>
    <message>
        <source>an application needs a name</source>
        <translation>an application needs a name</translation>
    </message>
    <message>
        <source>an application&apos;s name has at most 255 characters</source>
        <translation>an application&apos;s name has at most 255 characters</translation>
    </message>
    <message>
        <source>an application&apos;s name may not hold control characters, / or \</source>
        <translation>an application&apos;s name may not hold control characters, / or \</translation>
    </message>
    <message>
        <source>Presets of the applications</source>
        <translation>Presets of the applications</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>Application&apos;s id</source>
        <translation>Application&apos;s id</translation>
    </message>
    <message>
        <source>Preset for the application</source>
        <translation>Preset for the application</translation>
    </message>
    <message>
        <source>Add the application&apos;s preset</source>
        <translation>Add the application&apos;s preset</translation>
    </message>
    <message>
        <source>Delete the application&apos;s preset</source>
        <translation>Delete the application&apos;s preset</translation>
    </message>
</context>
<context>
    <name>monctl::ChangeNotices</name>
    <message>
        <source>Contrast %1</source>
        <translation>Contrast %1</translation>
    </message>
    <message>
        <source>Speed %1</source>
        <translation>Speed %1</translation>
    </message>
    <message>
        <source>Monitor %1 is back</source>
        <translation>Monitor %1 is back</translation>
    </message>
    <message>
        <source>Monitor %1 went away</source>
        <translation>Monitor %1 went away</translation>
    </message>
    <message>
        <source>%1: contrast %2, %3, %4</source>
        <translation>%1: contrast %2, %3, %4</translation>
    </message>
</context>
<context>
    <name>monctl::ControlPanel</name>
    <message>
        <source>Currently there is no starter, and the stability is poor. Press Enter to close the pop-up window.</source>
        <translation>Currently there is no starter, and the stability is poor. Press Enter to close the pop-up window.</translation>
    </message>
    <message>
        <source>No Match</source>
        <translation>No Match</translation>
    </message>
    <message>
        <source>Valid Port</source>
        <translation>Valid Port</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Time Sync</source>
        <translation>Time Sync</translation>
    </message>
    <message>
        <source>Get Parameters</source>
        <translation>Get Parameters</translation>
    </message>
    <message>
        <source>Fast Refresh</source>
        <translation>Fast Refresh</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
</context>
<context>
    <name>monctl::DesktopSettingsView</name>
    <message>
        <source>Keep running in the tray when the window is closed</source>
        <translation>Keep running in the tray when the window is closed</translation>
    </message>
    <message>
        <source>Start at login</source>
        <translation>Start at login</translation>
    </message>
    <message>
        <source>Fast refresh every</source>
        <translation>Fast refresh every</translation>
    </message>
    <message>
        <source> minutes</source>
        <translation> minutes</translation>
    </message>
    <message>
        <source>Show notifications</source>
        <translation>Show notifications</translation>
    </message>
    <message>
        <source>Give a monitor its last settings when it is plugged in</source>
        <translation>Give a monitor its last settings when it is plugged in</translation>
    </message>
    <message>
        <source>This desktop has no tray: closing the window ends monctl.</source>
        <translation>This desktop has no tray: closing the window ends monctl.</translation>
    </message>
    <message>
        <source>Minutes between fast refreshes</source>
        <translation>Minutes between fast refreshes</translation>
    </message>
</context>
<context>
    <name>monctl::PresetsView</name>
    <message>
        <source>Presets</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>Name of the preset</source>
        <translation>Name of the preset</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>a preset needs a name</source>
        <translation>A preset needs a name</translation>
    </message>
    <message>
        <source>a preset&apos;s name has at most 64 characters</source>
        <translation>A preset&apos;s name has at most 64 characters</translation>
    </message>
    <message>
        <source>a preset&apos;s name may not hold control characters, =, [, ], / or \</source>
        <translation>A preset&apos;s name may not hold control characters, =, [, ], / or \</translation>
    </message>
    <message>
        <source>The preferences file cannot be written</source>
        <translation>The preferences file cannot be written</translation>
    </message>
    <message>
        <source>A preset of this name exists already</source>
        <translation>A preset of this name exists already</translation>
    </message>
    <message>
        <source>Add preset</source>
        <translation>Add preset</translation>
    </message>
    <message>
        <source>Rename preset</source>
        <translation>Rename preset</translation>
    </message>
    <message>
        <source>Delete preset</source>
        <translation>Delete preset</translation>
    </message>
    <message>
        <source>Apply preset</source>
        <translation>Apply preset</translation>
    </message>
</context>
<context>
    <name>monctl::ScheduleView</name>
    <message>
        <source>Schedule</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>Preset</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Preset to schedule</source>
        <translation>Preset to schedule</translation>
    </message>
    <message>
        <source>Add to the schedule</source>
        <translation>Add to the schedule</translation>
    </message>
    <message>
        <source>Delete from the schedule</source>
        <translation>Delete from the schedule</translation>
    </message>
</context>
<context>
    <name>monctl::SettingNames</name>
    <message>
        <source>Text Mode</source>
        <translation>Text Mode</translation>
    </message>
    <message>
        <source>Graphic Mode</source>
        <translation>Graphic Mode</translation>
    </message>
    <message>
        <source>Video Mode</source>
        <translation>Video Mode</translation>
    </message>
    <message>
        <source>%1 (not responding)</source>
        <translation>%1 (not responding)</translation>
    </message>
</context>
<context>
    <name>monctl::SettingsWindow</name>
    <message>
        <source>Fast Refresh Hotkey</source>
        <translation>Fast Refresh Hotkey</translation>
    </message>
    <message>
        <source>Contrast Hotkey</source>
        <translation>Contrast Hotkey</translation>
    </message>
    <message>
        <source>Up:</source>
        <translation>Up:</translation>
    </message>
    <message>
        <source>Down:</source>
        <translation>Down:</translation>
    </message>
    <message>
        <source>Language Settings</source>
        <translation>Language Settings</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Contrast Up Hotkey</source>
        <translation>Contrast Up Hotkey</translation>
    </message>
    <message>
        <source>Contrast Down Hotkey</source>
        <translation>Contrast Down Hotkey</translation>
    </message>
</context>
<context>
    <name>monctl::ShortcutReachNote</name>
    <message>
        <source>Waiting for the desktop to bind the shortcuts…</source>
        <translation>Waiting for the desktop to bind the shortcuts…</translation>
    </message>
    <message>
        <source>The desktop did not bind the shortcuts: they work only while monctl is in front.</source>
        <translation>The desktop did not bind the shortcuts: they work only while monctl is in front.</translation>
    </message>
    <message>
        <source>Shortcuts work only while monctl is in front.</source>
        <translation>Shortcuts work only while monctl is in front.</translation>
    </message>
    <message>
        <source>none</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3.</source>
        <translation>Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3.</translation>
    </message>
    <message>
        <source>The desktop did not accept monctl&apos;s application id and binds no shortcuts for it: they work only while monctl is in front.</source>
        <translation>The desktop did not accept monctl&apos;s application id and binds no shortcuts for it: they work only while monctl is in front.</translation>
    </message>
    <message>
        <source>The desktop opened no shortcut session for monctl: shortcuts work only while monctl is in front.</source>
        <translation>The desktop opened no shortcut session for monctl: shortcuts work only while monctl is in front.</translation>
    </message>
    <message>
        <source>Assign the missing ones in System Settings → Shortcuts → monctl.</source>
        <translation>Assign the missing ones in System Settings → Shortcuts → monctl.</translation>
    </message>
    <message>
        <source>Assign the missing ones in the desktop&apos;s keyboard shortcut settings.</source>
        <translation>Assign the missing ones in the desktop&apos;s keyboard shortcut settings.</translation>
    </message>
    <message>
        <source>Configure…</source>
        <translation>Configure…</translation>
    </message>
</context>
<context>
    <name>monctl::ShortcutView</name>
    <message>
        <source>Record Shortcut</source>
        <translation>Record Shortcut</translation>
    </message>
    <message>
        <source>Use Old Shortcut</source>
        <translation>Use Old Shortcut</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Type New Shortcut</source>
        <translation>Type New Shortcut</translation>
    </message>
    <message>
        <source>Type Shortcut</source>
        <translation>Type Shortcut</translation>
    </message>
    <message>
        <source>Click to record new shortcut</source>
        <translation>Click to record new shortcut</translation>
    </message>
    <message>
        <source>Delete shortcut</source>
        <translation>Delete shortcut</translation>
    </message>
    <message>
        <source>The key combination %1 cannot be used</source>
        <translation>The key combination %1 cannot be used</translation>
    </message>
    <message>
        <source>no shortcut</source>
        <translation>no shortcut</translation>
    </message>
</context>
<context>
    <name>monctl::TrayIcon</name>
    <message>
        <source>Fast Refresh</source>
        <translation>Fast Refresh</translation>
    </message>
    <message>
        <source>All Monitors</source>
        <translation>All Monitors</translation>
    </message>
    <message>
        <source>Contrast Up</source>
        <translation>Contrast Up</translation>
    </message>
    <message>
        <source>Contrast Down</source>
        <translation>Contrast Down</translation>
    </message>
    <message>
        <source>Show Window</source>
        <translation>Show Window</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>monctl: no monitor</source>
        <translation>monctl: no monitor</translation>
    </message>
    <message>
        <source>monctl: %1, contrast %2, %3</source>
        <translation>monctl: %1, contrast %2, %3</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>No Presets</source>
        <translation>No Presets</translation>
    </message>
</context>
</TS>
