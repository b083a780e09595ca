#include "framework/WindowMessagePump.h"

#include "framework/MessageLoop.h"

namespace rf {

namespace {

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
