#pragma once

#include <QString>

// The identifier of the background song: with every double quote removed, the text after the
// first "id:" up to the next "}". Raises Failure when either marker is missing.
QString cutBackgroundId(QString body);
