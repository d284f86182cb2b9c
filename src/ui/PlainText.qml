import QtQuick

// A text that says something on its own: a screen reader reads it as plain text.
Text {
    Accessible.role: Accessible.StaticText
    Accessible.name: text
}
