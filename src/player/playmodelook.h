#pragma once

#include "controls/playmode.h"

#include <QIcon>
#include <QString>

class QColor;

// How a play mode shows in the menu and on the player's strip
namespace PlayModeLook {

// Its name, which the menu shows and the strip's button has as its tooltip
QString name(PlayMode mode);
// The desktop theme's icon for the mode; where the theme has none, one drawn in `colour`
QIcon icon(PlayMode mode, const QColor &colour);

} // namespace PlayModeLook
