#pragma once

#include "controls/eventdispatch.h"

// Lets the event loop deliver what is pending, once.
class QtEventDispatch : public EventDispatch {
public:
    void doEvents() override;
};
