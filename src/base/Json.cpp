#include "base/Json.h"

#include <limits>

namespace rf {

namespace {

std::string Quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

}  // namespace

std::string JsonText(const CJson& value) {
    return value.dump(-1, ' ', false, CJson::error_handler_t::replace);
}

std::optional<CJson> ParseJson(std::string_view text, std::string& strError) {
    // Values nested too deeply are dropped as they are met, so that a
    // hostile text costs no more than its length; the fault is told after.
    bool bTooDeep = false;
    const CJson::parser_callback_t limitDepth = [&bTooDeep](int nDepth, CJson::parse_event_t,
                                                            CJson&) {
        if (nDepth > kMaxJsonDepth) {
            bTooDeep = true;
            return false;
        }
        return true;
    };
    CJson value;
    // The library reports a syntax fault by an exception; it ends here.
    try {
        value = CJson::parse(text.begin(), text.end(), limitDepth);
    } catch (const CJson::parse_error& error) {
        // "[json.exception.parse_error.101] parse error at line 1, ...": the
        // library's tag means nothing to a reader.
        std::string strWhat = error.what();
        if (const std::size_t nTag = strWhat.find("] "); nTag != std::string::npos) {
            strWhat.erase(0, nTag + 2);
        }
        strError = strWhat;
        return std::nullopt;
    } catch (const CJson::exception& error) {
        strError = error.what();
        return std::nullopt;
    }
    if (bTooDeep) {
        strError = "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels";
        return std::nullopt;
    }
    return value;
}

void CJsonFields::Fail(const std::string& strWhat) {
    if (m_strError.empty()) {
        m_strError = m_strWhere + ": " + strWhat;
    }
}

const CJson* CJsonFields::Member(const CJson& parent, std::string_view name) {
    if (!parent.is_object()) {
        return nullptr;
    }
    const auto it = parent.find(name);
    return it != parent.end() ? &*it : nullptr;
}

const CJson& CJsonFields::Object(const CJson& parent, std::string_view name) {
    const CJson* pValue = Member(parent, name);
    if (pValue == nullptr || !pValue->is_object()) {
        Fail(Quoted(name) + " is missing or not an object");
        return m_empty;
    }
    return *pValue;
}

std::string CJsonFields::String(const CJson& parent, std::string_view name) {
    const CJson* pValue = Member(parent, name);
    if (pValue == nullptr || !pValue->is_string()) {
        Fail(Quoted(name) + " is missing or not a string");
        return {};
    }
    return pValue->get_ref<const std::string&>();
}

std::int64_t CJsonFields::Integer(const CJson& parent, std::string_view name, std::int64_t nMin,
                                  std::int64_t nMax) {
    const CJson* pValue = Member(parent, name);
    std::optional<std::int64_t> value;
    if (pValue != nullptr && pValue->is_number_unsigned()) {
        const auto nUnsigned = pValue->get<std::uint64_t>();
        if (nUnsigned <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            value = static_cast<std::int64_t>(nUnsigned);
        }
    } else if (pValue != nullptr && pValue->is_number_integer()) {
        value = pValue->get<std::int64_t>();
    }
    if (!value || *value < nMin || *value > nMax) {
        Fail(Quoted(name) + " is missing or not a number from " + std::to_string(nMin) + " to " +
             std::to_string(nMax));
        return nMin;
    }
    return *value;
}

bool CJsonFields::Bool(const CJson& parent, std::string_view name) {
    const CJson* pValue = Member(parent, name);
    if (pValue == nullptr || !pValue->is_boolean()) {
        Fail(Quoted(name) + " is missing or not true or false");
        return false;
    }
    return pValue->get<bool>();
}

}  // namespace rf
