#pragma once

#include <span>

// A dialog described as data: its controls with kind, text, place and styles,
// in dialog units (a quarter of the font's average letter width across, an
// eighth of its height down).

enum class ControlKind { PushButton, DefPushButton, Edit, Static, GroupBox, AutoCheckBox };

enum class ControlStyle : unsigned {
    None = 0,
    TabStop = 1 << 0,
    Group = 1 << 1,      // starts a group of controls (arrow-key navigation)
    Border = 1 << 2,
    AlignRight = 1 << 3,
    AlignCenter = 1 << 4,
    UpperCase = 1 << 5,  // letters are shown and read as capitals
    ReadOnly = 1 << 6,
    AutoHScroll = 1 << 7,
    Hidden = 1 << 8,
    ClientEdge = 1 << 9, // a single sunken edge
};

constexpr ControlStyle operator|(ControlStyle a, ControlStyle b)
{
    return static_cast<ControlStyle>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

constexpr bool HasStyle(ControlStyle styles, ControlStyle style)
{
    return (static_cast<unsigned>(styles) & static_cast<unsigned>(style)) != 0;
}

struct DialogUnitRect
{
    int x, y, width, height;
};

struct ControlTemplate
{
    int id;
    ControlKind kind;
    const char *text;
    DialogUnitRect rect;
    ControlStyle styles;
};

struct DialogTemplate
{
    int id;
    const char *caption;
    int width, height;
    const char *fontFace;
    int pointSize;
    std::span<const ControlTemplate> controls;
};

// IDD_PINTESTER_DIALOG: the tester's one window.
const DialogTemplate &PinTesterDialogTemplate();
