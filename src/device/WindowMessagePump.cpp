#include "device/FrontEndPump.h"
#include "framework/MessageLoop.h"

namespace rf {

namespace {

// Whatever pump the front end installed in the message loop (Qt's queue, the
// Win32 queue, or the headless loop of the terminal and the tests) serves the
// device layer's turns too, so a dialog stays alive through an update without
// installing anything of its own.
class CWindowMessagePump final : public IFrontEndPump {
public:
    void Pump() override { PumpMessages(); }
};

}  // namespace

IFrontEndPump& WindowMessagePump() {
    static CWindowMessagePump pump;
    return pump;
}

}  // namespace rf
