#pragma once

// The drives as the terminal front end reaches them: through
// reflasher-broker where it may not open them itself, or all of them
// through the broker a --broker option names.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace rf {

class IDeviceSystem;

class CBrokerAccess {
public:
    // strBroker: the socket --broker names, or empty. strFallback: the
    // socket tried for the drives the system will not open, or empty.
    // bAllProducts: drives are asked for with the products of
    // EnableAllProducts.
    CBrokerAccess(IDeviceSystem& local, const std::optional<std::string>& broker,
                  const std::string& strFallback, bool bAllProducts);
    ~CBrokerAccess();
    CBrokerAccess(const CBrokerAccess&) = delete;
    CBrokerAccess& operator=(const CBrokerAccess&) = delete;

    IDeviceSystem& System();
    // What the broker refused, and a socket named by --broker that did not
    // answer, one line each.
    void Report(std::ostream& err);

private:
    struct Parts;
    std::unique_ptr<Parts> m_pParts;
};

}  // namespace rf
