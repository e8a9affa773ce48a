#pragma once
// One audit record line taken apart without copying: the node, the record
// type, the time stamp, the NAME=VALUE fields (those inside a user-space
// record's msg='...' included, in order), and the ENRICHED part after the
// 0x1D byte. Values are kept as the trail writes them (quotes and hex
// included); decodeValue() (toolcommon.h) turns them into text.
//
//   RecordLine r;
//   if (r.parse(line)) for (const RecordField &f : r.fields) ...
//
// The views point into the parsed line and stay valid while it does.

#include "auditstamp.h"

#include <string_view>
#include <vector>

namespace kvrtools {

struct RecordField {
    std::string_view name, value;
};

// A stamp already read: its text "msg=audit(S.M:N):" and its value. The
// records of one event carry the same text, which need not be read again.
struct StampHint {
    std::string_view text;
    AuditStamp stamp;
};

class RecordLine
{
public:
    // Reads the header ("[node=N ]type=T msg=audit(S.M:N):"), and with
    // `withBody` the body and the ENRICHED part. False for a line that is
    // no audit record or whose stamp is malformed. A stamp whose text is
    // that of `hint` takes its value.
    bool parseHeader(std::string_view line, bool withBody = true, const StampHint *hint = nullptr);
    // parseHeader() and the fields.
    bool parse(std::string_view line, const StampHint *hint = nullptr);

    std::string_view node; // empty when the line has none
    std::string_view type; // e.g. SYSCALL, or UNKNOWN[1334]
    AuditStamp stamp;
    std::string_view stampText; // "msg=audit(S.M:N)" and the ':' after it
    std::string_view body;      // the text after "):", up to the ENRICHED part
    std::string_view enriched;  // after 0x1D; empty when there is none
    bool hasEnriched = false;
    std::vector<RecordField> fields;

    // The raw value of the first field called `name`; false when absent.
    bool find(std::string_view name, std::string_view *value) const;
};

// NAME=VALUE pairs of an ENRICHED part, with a case-blind look-up of the raw
// field's name (auid -> AUID). Parsed on the first look-up only.
class EnrichedNames
{
public:
    void reset(std::string_view text)
    {
        text_ = text;
        parsed_ = false;
    }
    bool find(std::string_view field, std::string_view *value);

private:
    void parse();
    std::vector<RecordField> pairs_;
    std::string_view text_;
    bool parsed_ = false;
};

} // namespace kvrtools
