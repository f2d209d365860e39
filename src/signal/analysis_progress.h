#pragma once

#include <string_view>

// Where a long analysis reports its progress (a progress dialog, a console
// line, or nothing). Texts are passed as language-table keys; the receiver
// looks them up.
class AnalysisProgress {
public:
    virtual ~AnalysisProgress() = default;
    virtual void SetText(std::string_view captionKey, std::string_view messageKey) = 0;
    // 0..100; called only when the value changes.
    virtual void SetPos(int percent) = 0;
};
