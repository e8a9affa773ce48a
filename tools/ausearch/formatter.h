#pragma once
// Writes events in the two output layouts of the search.
//
// Interpreted (-i), for every event:
//   ----
//   时间->YYYY-MM-DD HH:MM:SS.mmm 序号=SERIAL [节点=NODE]
//   类型=TYPE 日期: YYYY-MM-DD HH:MM:SS.mmm [用户id: USER] label=value ...
//   类型=TYPE 日期: YYYY-MM-DD HH:MM:SS.mmm label=value ...
// Every record line carries "日期:" exactly once; "用户id:" appears only on
// the first record line, and only when the caller asks for it (every event
// without -f, the first event of each run with -f). Every value taken from
// the trail goes through appendSafe(), so no value can end a line or carry
// one of these labels.
//
// The user: the first record with an auid gives it (its uid when the auid
// is unset); an event with no auid at all takes its first uid; else
// "unset". An id is named by the record's ENRICHED part, except that
// "unknown(N)" there is no name: the local account of N is used, else N;
// without an ENRICHED name the local account database names it.
//
// Raw (default): the event's record lines as they are, through appendSafe()
// (the ENRICHED separator 0x1D kept).

#include "recordline.h"
#include "toolcommon.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace kvrtools {

class Formatter
{
public:
    void interpreted(const std::vector<RecordLine> &records, bool withUser, std::string &out);
    // The word written after "用户id:" by the last interpreted() that wrote one.
    const std::string &userWord() const { return userWord_; }
    // The local day (YYYY-MM-DD) of the event last written by interpreted().
    std::string_view day() const { return std::string_view(stamp_).substr(0, stamp_.find(' ')); }
    static void raw(std::string_view eventText, std::string &out);

private:
    std::string_view idName(std::string_view field, std::string_view raw, bool group);
    const std::string &archName(std::string_view raw);
    const std::string &syscallName(std::string_view arch, std::string_view raw);

    IdNames names_;
    EnrichedNames enriched_;
    std::unordered_map<std::string, std::string> archNames_, syscallNames_;
    std::string stamp_, scratch_, key_, userWord_;
};

// True for an ENRICHED value of the form unknown(N) (no name at all).
bool isUnknownName(std::string_view value);

} // namespace kvrtools
