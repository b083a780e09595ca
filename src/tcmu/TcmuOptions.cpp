#include "tcmu/TcmuOptions.h"

#include <array>
#include <string_view>

#include "base/Text.h"

namespace rf {

namespace {

enum class Value { None, Optional, Required };
enum class Slot { Help, AsRealUnit, Emulate, Preset, FlashChip, SpiChip, Fault, Clock, Trace };

struct OptionSpec {
    std::u16string_view name;
    Value value;
    Slot slot;
};

constexpr std::array kOptions{
    OptionSpec{u"--help", Value::None, Slot::Help},
    OptionSpec{u"--as-real-unit", Value::None, Slot::AsRealUnit},
    OptionSpec{u"--emulate", Value::Optional, Slot::Emulate},
    OptionSpec{u"--preset", Value::Required, Slot::Preset},
    OptionSpec{u"--flash-chip", Value::Required, Slot::FlashChip},
    OptionSpec{u"--spi-chip", Value::Required, Slot::SpiChip},
    OptionSpec{u"--emulate-fault", Value::Required, Slot::Fault},
    OptionSpec{u"--clock", Value::Required, Slot::Clock},
    OptionSpec{u"--trace", Value::Required, Slot::Trace},
};

void Store(TcmuOptions& options, Slot slot, const std::u16string& value) {
    switch (slot) {
        case Slot::Help:
            options.bHelp = true;
            break;
        case Slot::AsRealUnit:
            options.bAsRealUnit = true;
            break;
        case Slot::Emulate:
            if (!value.empty()) {
                options.emulateDirectory = Utf16ToUtf8(value);
            }
            break;
        case Slot::Preset:
            options.preset = Utf16ToUtf8(value);
            break;
        case Slot::FlashChip:
            options.flashChip = Utf16ToUtf8(value);
            break;
        case Slot::SpiChip:
            options.spiChip = Utf16ToUtf8(value);
            break;
        case Slot::Fault:
            options.faults.push_back(Utf16ToUtf8(value));
            break;
        case Slot::Clock:
            options.clockFile = Utf16ToUtf8(value);
            break;
        case Slot::Trace:
            options.traceFile = value;
            break;
    }
}

}  // namespace

std::optional<TcmuOptionError> ParseTcmuOptions(const std::vector<std::u16string>& args,
                                                TcmuOptions& options,
                                                const std::string& strDefaultEmulateDirectory) {
    options.emulateDirectory = strDefaultEmulateDirectory;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (!arg.starts_with(u"--")) {
            // One word, the uio device; no second, and nothing that looks
            // like another program's option.
            if (arg.empty() || arg[0] == u'-' || arg[0] == u'/' || options.uio) {
                return TcmuOptionError{arg, false};
            }
            options.uio = arg;
            continue;
        }
        const std::size_t nEquals = arg.find(u'=');
        const std::u16string_view name = std::u16string_view(arg).substr(0, nEquals);
        const OptionSpec* pSpec = nullptr;
        for (const OptionSpec& spec : kOptions) {
            if (name == spec.name) {
                pSpec = &spec;
            }
        }
        if (pSpec == nullptr || (pSpec->value == Value::None && nEquals != std::u16string::npos)) {
            return TcmuOptionError{arg, false};
        }
        std::u16string value;
        if (nEquals != std::u16string::npos) {
            value = arg.substr(nEquals + 1);
            if (value.empty()) {
                return TcmuOptionError{arg, true};
            }
        } else if (pSpec->value == Value::Required) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                return TcmuOptionError{arg, true};
            }
            value = args[++i];
        }
        Store(options, pSpec->slot, value);
    }
    return std::nullopt;
}

}  // namespace rf
