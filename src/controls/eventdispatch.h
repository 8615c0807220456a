#pragma once

// Dispatches the window's pending events once, then returns.
class EventDispatch {
public:
    virtual ~EventDispatch() = default;
    virtual void doEvents() = 0;
};
