#pragma once

#include <QString>

// The skinning library: attaches a skin file to the whole application and switches its glass
// effect. Results are ignored by the callers, so failures stay inside.
class Skinning {
public:
    virtual ~Skinning() = default;
    virtual void attachSkin(const QString &skinFile, const QString &password) = 0;
    virtual void setGlass(bool on) = 0;
};
