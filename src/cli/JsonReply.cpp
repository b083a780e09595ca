#include "cli/JsonReply.h"

#include "base/ExitStatus.h"
#include "base/Text.h"
#include "cli/Commands.h"
#include "text/StringTable.h"

namespace rf {

CReplyErrorStream::CReplyErrorStream(std::ostream& err)
    : std::ostream(nullptr), m_buffer(err.rdbuf()) {
    rdbuf(&m_buffer);
}

void CReplyErrorStream::CLineBuffer::Take(char c) {
    if (c != '\n') {
        m_strLine.push_back(c);
    } else if (!m_strLine.empty()) {
        m_strLast = std::move(m_strLine);
        m_strLine.clear();
    }
}

CReplyErrorStream::CLineBuffer::int_type CReplyErrorStream::CLineBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    Take(traits_type::to_char_type(c));
    return m_pTarget->sputc(traits_type::to_char_type(c));
}

std::streamsize CReplyErrorStream::CLineBuffer::xsputn(const char* pData, std::streamsize nCount) {
    for (std::streamsize i = 0; i < nCount; ++i) {
        Take(pData[i]);
    }
    return m_pTarget->sputn(pData, nCount);
}

int CReplyErrorStream::CLineBuffer::sync() {
    return m_pTarget->pubsync();
}

void PrintLine(std::ostream& stream, const std::u16string& text) {
    stream << Utf16ToUtf8(text) << '\n';
}

void PrintMessage(std::ostream& err, UINT nMessageId, const std::u16string& detail) {
    const std::u16string text = LoadResString(nMessageId) + detail;
    PrintLine(err, text);
    NoteMessage(err, nMessageId, text);
}

void NoteMessage(std::ostream& err, UINT nMessageId, const std::u16string& text) {
    if (auto* pReply = dynamic_cast<CReplyErrorStream*>(&err)) {
        pReply->Note(nMessageId, text);
    }
}

std::optional<ReplyMessage> NotedMessage(const std::ostream& err) {
    if (const auto* pReply = dynamic_cast<const CReplyErrorStream*>(&err)) {
        return pReply->Noted();
    }
    return std::nullopt;
}

void SetMessage(CJson& object, UINT nMessageId, const std::u16string& text) {
    object["message_id"] = nMessageId != 0 ? CJson(nMessageId) : CJson(nullptr);
    object["message"] = nMessageId != 0 ? CJson(text) : CJson(nullptr);
}

CJsonReply::CJsonReply(std::ostream& out, std::ostream& err, bool bJson)
    : m_out(out), m_err(err), m_bJson(bJson) {}

void CJsonReply::Print(const CJson& document) {
    if (m_bPrinted) {
        return;
    }
    m_bPrinted = true;
    m_out << JsonText(document) << '\n';
}

const char* ResultWord(int nExit, UINT nMessageId) {
    switch (nExit) {
        case kExitSuccess:
            return "success";
        case kExitNothing:
            return nMessageId == 0 ? "nothing" : "refused";
        default:
            return "failure";
    }
}

CJson ResultDocument(int nExit, UINT nMessageId, const std::u16string& text) {
    CJson document = {{"result", ResultWord(nExit, nMessageId)}};
    SetMessage(document, nMessageId, text);
    return document;
}

void PrintDocument(CommandStreams& streams, const CJson& document) {
    if (streams.pReply != nullptr) {
        streams.pReply->Print(document);
    } else {
        streams.out << JsonText(document) << '\n';
    }
}

int CJsonReply::Finish(int nExit) {
    if (!m_bJson || m_bPrinted) {
        return nExit;
    }
    if (nExit == kExitSuccess) {
        Print(ResultDocument(nExit, 0, u""));
        return nExit;
    }
    // The message the command gave with its id; else its last line under
    // the id of what the exit status says.
    ReplyMessage message;
    if (m_err.Noted()) {
        message = *m_err.Noted();
    } else {
        message.nMessageId = nExit == kExitFailure ? IDS_JSON_FAILED : IDS_JSON_NOTHING_DONE;
        message.text = m_err.LastLine().empty() ? LoadResString(message.nMessageId)
                                                : Utf8ToUtf16(m_err.LastLine());
    }
    CJson error = CJson::object();
    SetMessage(error, message.nMessageId, message.text);
    Print({{"error", std::move(error)}});
    return nExit;
}

}  // namespace rf
