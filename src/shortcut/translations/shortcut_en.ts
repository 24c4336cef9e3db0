<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Shortcut</name>
    <message>
        <source>Space</source>
        <extracomment>Shortcut glyph name for SPACE key</extracomment>
        <translation>Space</translation>
    </message>
    <message>
        <source>Shortcut set</source>
        <extracomment>VoiceOver: Shortcut set</extracomment>
        <translation>Shortcut set</translation>
    </message>
    <message>
        <source>Shortcut cleared</source>
        <extracomment>VoiceOver: Shortcut cleared</extracomment>
        <translation>Shortcut cleared</translation>
    </message>
    <message>
        <source>keyboard shortcut</source>
        <extracomment>VoiceOver title</extracomment>
        <translation>keyboard shortcut</translation>
    </message>
    <message>
        <source>To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an existing shortcut.</source>
        <extracomment>VoiceOver shortcut help</extracomment>
        <translation>To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an existing shortcut.</translation>
    </message>
    <message>
        <source>This combination cannot be used because it is already used by a system-wide keyboard shortcut.
If you really want to use this key combination, most shortcuts can be changed in the keyboard shortcut settings of your desktop.</source>
        <extracomment>Message for alert when shortcut is already used by the system</extracomment>
        <translation>This combination cannot be used because it is already used by a system-wide keyboard shortcut.
If you really want to use this key combination, most shortcuts can be changed in the keyboard shortcut settings of your desktop.</translation>
    </message>
</context>
</TS>
