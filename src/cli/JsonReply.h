#pragma once

// With --json the output holds exactly one JSON document, whatever
// happens: the command's own, or, when it printed none, an error object
// made from the last message it gave on the error stream. Scripts read
// nothing else, so people's lines never reach the output in JSON mode.

#include <optional>
#include <ostream>
#include <streambuf>
#include <string>

#include "base/Json.h"
#include "base/Types.h"

namespace rf {

// A message a command gave: its string id and its text with any detail.
struct ReplyMessage {
    UINT nMessageId = 0;
    std::u16string text;
};

// The error stream of a JSON run: passes everything on and keeps the last
// line, and the last message given with its id, for the error object.
class CReplyErrorStream final : public std::ostream {
public:
    explicit CReplyErrorStream(std::ostream& err);
    void Note(UINT nMessageId, const std::u16string& text) { m_noted = {nMessageId, text}; }
    const std::optional<ReplyMessage>& Noted() const { return m_noted; }
    const std::string& LastLine() const { return m_buffer.LastLine(); }

private:
    class CLineBuffer final : public std::streambuf {
    public:
        explicit CLineBuffer(std::streambuf* pTarget) : m_pTarget(pTarget) {}
        const std::string& LastLine() const { return m_strLast; }

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* pData, std::streamsize nCount) override;
        int sync() override;

    private:
        void Take(char c);
        std::streambuf* m_pTarget;
        std::string m_strLine;
        std::string m_strLast;
    };
    CLineBuffer m_buffer;
    std::optional<ReplyMessage> m_noted;
};

// Prints the text as a line, in UTF-8: the terminal's edge.
void PrintLine(std::ostream& stream, const std::u16string& text);

// Prints the message (its text, then the detail) as a line on the error
// stream; in a JSON run it also becomes the run's error, should the
// command print no document of its own.
void PrintMessage(std::ostream& err, UINT nMessageId, const std::u16string& detail = {});

// Notes a message printed some other way (a table after it...) as the
// run's error, in a JSON run.
void NoteMessage(std::ostream& err, UINT nMessageId, const std::u16string& text);

// The last message given on the error stream in a JSON run; nullopt when
// none was given with its id, or the stream is not a JSON run's.
std::optional<ReplyMessage> NotedMessage(const std::ostream& err);

// "message_id" and "message" of an object: the message, or null for both.
void SetMessage(CJson& object, UINT nMessageId, const std::u16string& text);

class CJsonReply {
public:
    CJsonReply(std::ostream& out, std::ostream& err, bool bJson);
    bool IsJson() const { return m_bJson; }
    // Where people's lines go: the error stream in a JSON run.
    std::ostream& People() { return m_bJson ? static_cast<std::ostream&>(m_err) : m_out; }
    std::ostream& Err() { return m_err; }
    // The command's document; any after the first is a fault of the
    // program and is not printed.
    void Print(const CJson& document);
    bool Printed() const { return m_bPrinted; }
    // The error object, when nothing was printed in a JSON run; returns
    // nExit.
    int Finish(int nExit);

private:
    std::ostream& m_out;
    CReplyErrorStream m_err;
    bool m_bJson;
    bool m_bPrinted = false;
};

// The "result" of a command by its exit status: "success", "failure",
// "refused" (a check said no, the message says which) or "nothing".
const char* ResultWord(int nExit, UINT nMessageId);
// {"result", "message_id", "message"}, the start of a command's document.
CJson ResultDocument(int nExit, UINT nMessageId, const std::u16string& text);

struct CommandStreams;
// The command's one JSON document, through the run's reply.
void PrintDocument(CommandStreams& streams, const CJson& document);

}  // namespace rf
