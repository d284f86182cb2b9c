<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ContentView</name>
    <message numerus="yes">
        <source>Clear %n searches</source>
        <translation>
            <numerusform>Clear %n search</numerusform>
            <numerusform>Clear %n searches</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>HistorySidebar</name>
    <message numerus="yes">
        <source>%n saved searches</source>
        <translation>
            <numerusform>%n saved search</numerusform>
            <numerusform>%n saved searches</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SearchPaneView</name>
    <message numerus="yes">
        <source>%n available</source>
        <translation>
            <numerusform>%n available</numerusform>
            <numerusform>%n available</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>orvane::Format</name>
    <message numerus="yes">
        <source>%Ln sec.</source>
        <translation>
            <numerusform>%Ln sec.</numerusform>
            <numerusform>%Ln sec.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln min.</source>
        <translation>
            <numerusform>%Ln min.</numerusform>
            <numerusform>%Ln min.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln hr.</source>
        <translation>
            <numerusform>%Ln hr.</numerusform>
            <numerusform>%Ln hr.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln days</source>
        <translation>
            <numerusform>%Ln day</numerusform>
            <numerusform>%Ln days</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln wk.</source>
        <translation>
            <numerusform>%Ln wk.</numerusform>
            <numerusform>%Ln wk.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln mo.</source>
        <translation>
            <numerusform>%Ln mo.</numerusform>
            <numerusform>%Ln mo.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln yr.</source>
        <translation>
            <numerusform>%Ln yr.</numerusform>
            <numerusform>%Ln yr.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>orvane::TrayIcon</name>
    <message numerus="yes">
        <source>Watching %n</source>
        <translation>
            <numerusform>Watching %n</numerusform>
            <numerusform>Watching %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n watched names are free</source>
        <translation>
            <numerusform>%n watched name is free</numerusform>
            <numerusform>%n watched names are free</numerusform>
        </translation>
    </message>
</context>
</TS>
