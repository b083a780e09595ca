#include "ImageDescription.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "firmware/TestImageMark.h"

namespace rf::imagegen {

namespace {

// Images are small; anything larger is a typing error, not an image.
constexpr std::uint64_t kMaxImageSize = 16 * 1024 * 1024;
// Mixed into every payload seed of a stand-in: its code is its own.
constexpr std::uint32_t kStandInSeed = 0x5EED0F0F;

struct Checksum {
    std::size_t nOffset;
    std::size_t nFrom;
    std::size_t nTo;
};

// Splits a line into words; a double-quoted word keeps its spaces and may
// hold \" and \\. False on an unterminated quote or an unknown escape.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& strError) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        if (c != '"') {
            const std::size_t nStart = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '#') {
                ++i;
            }
            words.emplace_back(line.substr(nStart, i - nStart));
            continue;
        }
        // Quoted words keep their quote so that the directive can tell text
        // from a number.
        std::string word = "\"";
        ++i;
        bool bClosed = false;
        while (i < line.size()) {
            const char d = line[i++];
            if (d == '"') {
                bClosed = true;
                break;
            }
            if (d == '\\') {
                if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) {
                    strError = "unknown escape in text";
                    return false;
                }
                word.push_back(line[i++]);
                continue;
            }
            word.push_back(d);
        }
        if (!bClosed) {
            strError = "text without its closing quote";
            return false;
        }
        words.push_back(std::move(word));
    }
    return true;
}

std::optional<std::uint64_t> ParseNumber(std::string_view word) {
    int nBase = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
        nBase = 16;
    }
    std::uint64_t nValue = 0;
    const auto [pEnd, ec] = std::from_chars(word.data(), word.data() + word.size(), nValue, nBase);
    if (word.empty() || ec != std::errc() || pEnd != word.data() + word.size()) {
        return std::nullopt;
    }
    return nValue;
}

// Parses "YYYY/MM/DD" or "HH:MM:SS" into three numbers.
bool ParseTriple(std::string_view word, char cSeparator, unsigned anOut[3]) {
    for (int i = 0; i < 3; ++i) {
        const std::size_t nEnd = i < 2 ? word.find(cSeparator) : word.size();
        if (nEnd == std::string_view::npos) {
            return false;
        }
        const auto value = ParseNumber(word.substr(0, nEnd));
        if (!value || *value > 0xFFFF) {
            return false;
        }
        anOut[i] = static_cast<unsigned>(*value);
        word.remove_prefix(i < 2 ? nEnd + 1 : nEnd);
    }
    return true;
}

class CBuilder {
public:
    explicit CBuilder(ImageMode mode) : m_mode(mode) {}
    bool Line(std::vector<std::string>& words, std::string& strError);
    bool Finish(std::string& strError);
    std::vector<std::uint8_t>& Image() { return m_image; }

private:
    // A position inside the image or at its end.
    std::optional<std::size_t> Position(const std::string& word) const;
    bool Range(const std::string& from, const std::string& to, std::size_t& nFrom, std::size_t& nTo,
               std::string& strError) const;
    bool Fits(std::size_t nOffset, std::size_t nLength, std::string& strError) const;
    bool Integer(const std::string& word, std::uint64_t nMax, std::uint64_t& nValue,
                 std::string& strError) const;
    void PutLittleEndian(std::size_t nOffset, std::uint64_t nValue, std::size_t nBytes);

    ImageMode m_mode;
    bool m_bSized = false;
    bool m_bMarked = false;
    std::size_t m_nMarkOffset = 0;
    std::vector<std::uint8_t> m_image;
    std::vector<Checksum> m_checksums;
};

std::optional<std::size_t> CBuilder::Position(const std::string& word) const {
    std::string_view text = word;
    if (text.starts_with("end")) {
        text.remove_prefix(3);
        if (text.empty()) {
            return m_image.size();
        }
        if (text[0] != '-') {
            return std::nullopt;
        }
        const auto back = ParseNumber(text.substr(1));
        if (!back || *back > m_image.size()) {
            return std::nullopt;
        }
        return m_image.size() - static_cast<std::size_t>(*back);
    }
    const auto value = ParseNumber(text);
    if (!value || *value > m_image.size()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*value);
}

bool CBuilder::Range(const std::string& from, const std::string& to, std::size_t& nFrom,
                     std::size_t& nTo, std::string& strError) const {
    const auto first = Position(from);
    const auto last = Position(to);
    if (!first || !last || *first > *last) {
        strError = "range " + from + " " + to + " is not inside the image";
        return false;
    }
    nFrom = *first;
    nTo = *last;
    return true;
}

bool CBuilder::Fits(std::size_t nOffset, std::size_t nLength, std::string& strError) const {
    if (nOffset > m_image.size() || nLength > m_image.size() - nOffset) {
        strError = "field runs past the end of the image";
        return false;
    }
    return true;
}

bool CBuilder::Integer(const std::string& word, std::uint64_t nMax, std::uint64_t& nValue,
                       std::string& strError) const {
    const auto value = ParseNumber(word);
    if (!value || *value > nMax) {
        strError = "'" + word + "' is not a number that fits";
        return false;
    }
    nValue = *value;
    return true;
}

void CBuilder::PutLittleEndian(std::size_t nOffset, std::uint64_t nValue, std::size_t nBytes) {
    for (std::size_t i = 0; i < nBytes; ++i) {
        m_image[nOffset + i] = static_cast<std::uint8_t>(nValue >> (8 * i));
    }
}

bool CBuilder::Line(std::vector<std::string>& words, std::string& strError) {
    const std::string& directive = words[0];
    const std::size_t nArgs = words.size() - 1;
    auto wrongCount = [&](const char* pszUsage) {
        strError = std::string("usage: ") + pszUsage;
        return false;
    };

    if (directive == "size") {
        if (nArgs != 1) {
            return wrongCount("size BYTES");
        }
        std::uint64_t nSize = 0;
        if (m_bSized) {
            strError = "size given twice";
            return false;
        }
        if (!Integer(words[1], kMaxImageSize, nSize, strError) || nSize == 0) {
            strError = "size must be 1 to 16 MiB";
            return false;
        }
        m_image.assign(static_cast<std::size_t>(nSize), 0);
        m_bSized = true;
        return true;
    }
    if (!m_bSized) {
        strError = "the first directive must be size";
        return false;
    }

    if (directive == "fill" || directive == "payload") {
        if (nArgs != 3) {
            return wrongCount(directive == "fill" ? "fill FROM TO BYTE" : "payload FROM TO SEED");
        }
        std::size_t nFrom = 0;
        std::size_t nTo = 0;
        std::uint64_t nValue = 0;
        if (!Range(words[1], words[2], nFrom, nTo, strError) ||
            !Integer(words[3], directive == "fill" ? 0xFF : 0xFFFFFFFF, nValue, strError)) {
            return false;
        }
        if (directive == "fill") {
            std::fill(m_image.begin() + static_cast<std::ptrdiff_t>(nFrom),
                      m_image.begin() + static_cast<std::ptrdiff_t>(nTo),
                      static_cast<std::uint8_t>(nValue));
        } else {
            std::uint32_t nSeed = static_cast<std::uint32_t>(nValue);
            if (m_mode == ImageMode::StandIn) {
                nSeed ^= kStandInSeed;
            }
            const auto bytes = PayloadBytes(nTo - nFrom, nSeed);
            std::copy(bytes.begin(), bytes.end(),
                      m_image.begin() + static_cast<std::ptrdiff_t>(nFrom));
        }
        return true;
    }

    if (directive == "text") {
        if (nArgs != 3 || words[3].empty() || words[3][0] != '"') {
            return wrongCount("text OFFSET LENGTH \"ASCII\"");
        }
        const auto offset = Position(words[1]);
        std::uint64_t nLength = 0;
        if (!offset) {
            strError = "offset " + words[1] + " is not inside the image";
            return false;
        }
        if (!Integer(words[2], m_image.size(), nLength, strError) ||
            !Fits(*offset, static_cast<std::size_t>(nLength), strError)) {
            return false;
        }
        const std::string_view text = std::string_view(words[3]).substr(1);
        if (text.size() > nLength) {
            strError = "text is longer than its field";
            return false;
        }
        for (std::size_t i = 0; i < nLength; ++i) {
            std::uint8_t b = 0;
            if (i < text.size()) {
                b = static_cast<std::uint8_t>(text[i]);
                if (b < 0x20 || b > 0x7E) {
                    strError = "text holds a character that is not printable ASCII";
                    return false;
                }
            }
            m_image[*offset + i] = b;
        }
        return true;
    }

    if (directive == "u8" || directive == "u16" || directive == "u32") {
        if (nArgs != 2) {
            return wrongCount("u8|u16|u32 OFFSET VALUE");
        }
        const std::size_t nBytes = directive == "u8" ? 1 : directive == "u16" ? 2 : 4;
        const auto offset = Position(words[1]);
        std::uint64_t nValue = 0;
        if (!offset) {
            strError = "offset " + words[1] + " is not inside the image";
            return false;
        }
        if (!Fits(*offset, nBytes, strError) ||
            !Integer(words[2], (std::uint64_t{1} << (8 * nBytes)) - 1, nValue, strError)) {
            return false;
        }
        PutLittleEndian(*offset, nValue, nBytes);
        return true;
    }

    if (directive == "bytes") {
        if (nArgs < 2) {
            return wrongCount("bytes OFFSET BYTE...");
        }
        const auto offset = Position(words[1]);
        if (!offset) {
            strError = "offset " + words[1] + " is not inside the image";
            return false;
        }
        if (!Fits(*offset, nArgs - 1, strError)) {
            return false;
        }
        for (std::size_t i = 2; i < words.size(); ++i) {
            std::uint64_t nValue = 0;
            if (!Integer(words[i], 0xFF, nValue, strError)) {
                return false;
            }
            m_image[*offset + i - 2] = static_cast<std::uint8_t>(nValue);
        }
        return true;
    }

    if (directive == "dostime") {
        if (nArgs != 3) {
            return wrongCount("dostime OFFSET YYYY/MM/DD HH:MM:SS");
        }
        const auto offset = Position(words[1]);
        unsigned anDate[3] = {};
        unsigned anTime[3] = {};
        if (!offset) {
            strError = "offset " + words[1] + " is not inside the image";
            return false;
        }
        if (!Fits(*offset, 4, strError)) {
            return false;
        }
        // The packed form holds years 1980 to 2107 and even seconds only.
        if (!ParseTriple(words[2], '/', anDate) || !ParseTriple(words[3], ':', anTime) ||
            anDate[0] < 1980 || anDate[0] > 2107 || anDate[1] < 1 || anDate[1] > 12 ||
            anDate[2] < 1 || anDate[2] > 31 || anTime[0] > 23 || anTime[1] > 59 || anTime[2] > 59 ||
            anTime[2] % 2 != 0) {
            strError = "not a date and time the packed form can hold";
            return false;
        }
        const unsigned nDate = (anDate[0] - 1980) << 9 | anDate[1] << 5 | anDate[2];
        const unsigned nTime = anTime[0] << 11 | anTime[1] << 5 | anTime[2] / 2;
        PutLittleEndian(*offset, nDate, 2);
        PutLittleEndian(*offset + 2, nTime, 2);
        return true;
    }

    if (directive == "mark") {
        if (nArgs != 1) {
            return wrongCount("mark OFFSET");
        }
        const auto offset = Position(words[1]);
        if (m_bMarked) {
            strError = "mark given twice";
            return false;
        }
        if (!offset) {
            strError = "offset " + words[1] + " is not inside the image";
            return false;
        }
        if (!Fits(*offset, kTestImageMark.size(), strError)) {
            return false;
        }
        m_bMarked = true;
        m_nMarkOffset = *offset;
        return true;
    }

    if (directive == "checksum16") {
        if (nArgs != 3) {
            return wrongCount("checksum16 OFFSET FROM TO");
        }
        const auto offset = Position(words[1]);
        Checksum checksum{};
        if (!Range(words[2], words[3], checksum.nFrom, checksum.nTo, strError)) {
            return false;
        }
        if (!offset || (checksum.nTo - checksum.nFrom) % 2 != 0 || *offset < checksum.nFrom ||
            *offset + 2 > checksum.nTo || (*offset - checksum.nFrom) % 2 != 0) {
            strError = "the checksum word must be a word of an even-length range";
            return false;
        }
        checksum.nOffset = *offset;
        m_checksums.push_back(checksum);
        return true;
    }

    strError = "unknown directive '" + directive + "'";
    return false;
}

bool CBuilder::Finish(std::string& strError) {
    if (!m_bSized) {
        strError = "no size given";
        return false;
    }
    // An image without the mark would be a test image nobody can tell.
    if (!m_bMarked) {
        strError = "no mark line: every image the generator makes carries the mark";
        return false;
    }
    // Written last but for the checksums, so that no other line covers it
    // and the checksums hold it.
    if (m_mode == ImageMode::Test) {
        std::copy(kTestImageMark.begin(), kTestImageMark.end(),
                  m_image.begin() + static_cast<std::ptrdiff_t>(m_nMarkOffset));
    }
    for (const Checksum& checksum : m_checksums) {
        PutLittleEndian(checksum.nOffset, 0, 2);
        std::uint32_t nSum = 0;
        for (std::size_t i = checksum.nFrom; i < checksum.nTo; i += 2) {
            nSum += static_cast<std::uint32_t>(m_image[i] | m_image[i + 1] << 8);
        }
        PutLittleEndian(checksum.nOffset, (0x10000 - (nSum & 0xFFFF)) & 0xFFFF, 2);
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> PayloadBytes(std::size_t nLength, std::uint32_t nSeed) {
    std::vector<std::uint8_t> bytes(nLength);
    std::uint32_t nState = nSeed * 2654435761u ^ 0x9E3779B9u;
    if (nState == 0) {
        nState = 1;
    }
    for (std::uint8_t& b : bytes) {
        nState ^= nState << 13;
        nState ^= nState >> 17;
        nState ^= nState << 5;
        b = static_cast<std::uint8_t>(nState >> 24);
    }
    return bytes;
}

bool BuildImage(std::string_view description, std::vector<std::uint8_t>& image,
                std::string& strError, ImageMode mode) {
    CBuilder builder(mode);
    std::size_t nLine = 0;
    while (!description.empty()) {
        ++nLine;
        const std::size_t nEnd = description.find('\n');
        const std::string_view line = description.substr(0, nEnd);
        description.remove_prefix(nEnd == std::string_view::npos ? description.size() : nEnd + 1);

        std::vector<std::string> words;
        std::string strWhat;
        if (!SplitWords(line, words, strWhat) ||
            (!words.empty() && !builder.Line(words, strWhat))) {
            strError = std::to_string(nLine) + ": " + strWhat;
            return false;
        }
    }
    std::string strWhat;
    if (!builder.Finish(strWhat)) {
        strError = std::to_string(nLine) + ": " + strWhat;
        return false;
    }
    image = std::move(builder.Image());
    return true;
}

std::string EmbedSource(const std::vector<std::uint8_t>& image, std::string_view functionName,
                        std::string_view sourceName) {
    std::string out;
    out.reserve(image.size() * 5 + 512);
    out += "// Made by reflasher-imagegen from ";
    out += sourceName;
    out += "; edit that description, not this file.\n";
    out += "#include <cstdint>\n#include <span>\n\nnamespace rf::firmware {\n\n";
    out += "namespace {\nconstexpr std::uint8_t kBytes[" + std::to_string(image.size()) + "] = {";
    char acByte[8];
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (i % 16 == 0) {
            out += "\n   ";
        }
        std::snprintf(acByte, sizeof acByte, " 0x%02X,", image[i]);
        out += acByte;
    }
    out += "\n};\n}  // namespace\n\n";
    out += "std::span<const std::uint8_t> ";
    out += functionName;
    out += "() {\n    return kBytes;\n}\n\n}  // namespace rf::firmware\n";
    return out;
}

}  // namespace rf::imagegen
