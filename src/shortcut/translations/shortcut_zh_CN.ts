<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>Shortcut</name>
    <message>
        <source>Space</source>
        <extracomment>Shortcut glyph name for SPACE key</extracomment>
        <translation>空格</translation>
    </message>
    <message>
        <source>Shortcut set</source>
        <extracomment>VoiceOver: Shortcut set</extracomment>
        <translation>快捷键已设置</translation>
    </message>
    <message>
        <source>Shortcut cleared</source>
        <extracomment>VoiceOver: Shortcut cleared</extracomment>
        <translation>快捷键已清除</translation>
    </message>
    <message>
        <source>keyboard shortcut</source>
        <extracomment>VoiceOver title</extracomment>
        <translation>键盘快捷键</translation>
    </message>
    <message>
        <source>To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an existing shortcut.</source>
        <extracomment>VoiceOver shortcut help</extracomment>
        <translation>要录制新的快捷键，请点按此按钮，然后键入新的快捷键，或按删除键清除现有的快捷键。</translation>
    </message>
    <message>
        <source>This combination cannot be used because it is already used by a system-wide keyboard shortcut.
If you really want to use this key combination, most shortcuts can be changed in the keyboard shortcut settings of your desktop.</source>
        <extracomment>Message for alert when shortcut is already used by the system</extracomment>
        <translation>此组合键已被系统范围的键盘快捷键使用，因此无法使用。
如果确实要使用此组合键，大多数快捷键都可以在桌面环境的键盘快捷键设置中更改。</translation>
    </message>
</context>
</TS>
