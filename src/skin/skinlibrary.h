#pragma once

#include "controls/skinning.h"

#include <QString>

// Skins the application from a skin file: a Qt style sheet whose optional glass sections
// (between "/* @glass */" and "/* @end */") hold the frosted variant's rules. The normal skin is
// the file without those sections; the frosted skin is the normal one followed by them, so that
// their rules override the normal ones of the same selector.
class SkinLibrary : public Skinning {
public:
    // Whether the glass effect also makes the top-level windows see-through.
    enum class Translucency {
        WhenComposited, // only where the window system blends windows over each other
        Always,
        Never,
    };

    explicit SkinLibrary(Translucency translucency = Translucency::WhenComposited);

    void attachSkin(const QString &skinFile, const QString &password) override;
    void setGlass(bool on) override;

    bool attached() const { return m_attached; }
    bool glass() const { return m_glass; }

    // Whether the current window system blends translucent windows with what lies below them.
    static bool windowSystemComposites();

private:
    void applyStyleSheet() const;
    void applyWindowOpacity() const;
    bool translucentWindows() const;

    const Translucency m_translucency;
    QString m_normalSheet;
    QString m_frostedSheet;
    bool m_attached = false;
    bool m_glass = false;
};
