#pragma once

namespace zelvo {

// The log's on/off switch. The check mark of "&Activar Log" is its only copy,
// so the window implements this; writers read it once per record.
class LogSwitch {
public:
    virtual ~LogSwitch() = default;
    virtual bool isOn() const = 0;
    virtual void turnOff() = 0;
};

} // namespace zelvo
