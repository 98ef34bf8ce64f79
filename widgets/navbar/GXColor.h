#pragma once

#include <QColor>
#include <QPalette>

// A colour as a program or a layout sets it: fixed, none, or a role of the palette that is
// looked up at every paint, so that a system colour follows a palette change.
class TGXColor
{
public:
    TGXColor() = default;
    // An invalid colour is none.
    TGXColor(const QColor &color) // NOLINT(google-explicit-constructor)
        : m_kind(color.isValid() ? Kind::Fixed : Kind::None), m_color(color)
    {
    }
    TGXColor(Qt::GlobalColor color) : TGXColor(QColor(color)) {} // NOLINT
    static TGXColor fromRole(QPalette::ColorRole role,
                             QPalette::ColorGroup group = QPalette::Active)
    {
        TGXColor c;
        c.m_kind = Kind::Role;
        c.m_role = role;
        c.m_group = group;
        return c;
    }

    bool isNone() const { return m_kind == Kind::None; }
    bool followsPalette() const { return m_kind == Kind::Role; }
    // What is painted under this palette; invalid for none.
    QColor resolve(const QPalette &palette) const
    {
        switch (m_kind) {
        case Kind::Fixed: return m_color;
        case Kind::Role: return palette.color(m_group, m_role);
        case Kind::None: break;
        }
        return {};
    }
    friend bool operator==(const TGXColor &, const TGXColor &) = default;

private:
    enum class Kind { None, Fixed, Role };
    Kind m_kind = Kind::None;
    QColor m_color;
    QPalette::ColorRole m_role = QPalette::NoRole;
    QPalette::ColorGroup m_group = QPalette::Active;
};
