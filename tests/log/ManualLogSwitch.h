#pragma once

#include "log/LogSwitch.h"

namespace zelvo {

// A log switch a test sets by hand; it counts how often the log turned it
// off.
class ManualLogSwitch : public LogSwitch {
public:
    explicit ManualLogSwitch(bool on) : m_on(on) {}
    bool isOn() const override { return m_on; }
    void turnOff() override
    {
        m_on = false;
        ++m_turnedOff;
    }
    void turnOn() { m_on = true; }
    int timesTurnedOff() const { return m_turnedOff; }

private:
    bool m_on;
    int m_turnedOff = 0;
};

} // namespace zelvo
