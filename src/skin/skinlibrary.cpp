#include "skinlibrary.h"

#include "common/logging.h"

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// Light enough to show what lies behind, dense enough to keep the text readable
constexpr qreal kGlassOpacity = 0.92;

// A glass section runs from its opening marker to "@end", or to the end of the file when the
// closing marker is missing.
const QRegularExpression &glassSection()
{
    static const QRegularExpression section(uR"(/\*\s*@glass\s*\*/(.*?)(?:/\*\s*@end\s*\*/|\z))"_s,
                                            QRegularExpression::DotMatchesEverythingOption);
    return section;
}

QApplication *application()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance());
}

} // namespace

SkinLibrary::SkinLibrary(Translucency translucency) : m_translucency(translucency) { }

void SkinLibrary::attachSkin(const QString &skinFile, const QString &password)
{
    Q_UNUSED(password) // our skins are plain text

    if (skinFile.isEmpty())
        return;
    // A skin that cannot be read leaves the window in the desktop's own look
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCWarning(lcSkin) << "Skin not loaded:" << skinFile << file.errorString();
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        qCWarning(lcSkin) << "Skin not loaded:" << skinFile << file.errorString();
        return;
    }

    QString normal = text;
    normal.remove(glassSection());
    QStringList glassRules;
    for (const QRegularExpressionMatch &match : glassSection().globalMatch(text))
        glassRules << match.captured(1);

    m_normalSheet = normal;
    m_frostedSheet = glassRules.isEmpty() ? normal : normal + u'\n' + glassRules.join(u'\n');
    m_attached = true;
    applyStyleSheet();
}

void SkinLibrary::setGlass(bool on)
{
    m_glass = on;
    applyStyleSheet();
    applyWindowOpacity();
}

bool SkinLibrary::windowSystemComposites()
{
    // Wayland always composites. On X11 the opacity becomes a window property that a compositing
    // manager honours and the bare X server ignores, so setting it there is harmless.
    const QString platform = QGuiApplication::platformName();
    return platform == "wayland"_L1 || platform == "xcb"_L1;
}

void SkinLibrary::applyStyleSheet() const
{
    QApplication *const app = application();
    if (!m_attached || !app)
        return;
    const QString &sheet = m_glass ? m_frostedSheet : m_normalSheet;
    // Setting the sheet repolishes every widget, so skip it when nothing changes
    if (app->styleSheet() != sheet)
        app->setStyleSheet(sheet);
}

void SkinLibrary::applyWindowOpacity() const
{
    if (!application() || !translucentWindows())
        return;
    const qreal opacity = m_glass ? kGlassOpacity : 1.0;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        // Menus and tooltips come and go; only real windows turn to glass
        const Qt::WindowType type = window->windowType();
        if (type == Qt::Window || type == Qt::Dialog)
            window->setWindowOpacity(opacity);
    }
}

bool SkinLibrary::translucentWindows() const
{
    switch (m_translucency) {
    case Translucency::Always:
        return true;
    case Translucency::Never:
        return false;
    case Translucency::WhenComposited:
        break;
    }
    return windowSystemComposites();
}
