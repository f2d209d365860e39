#pragma once

#include "views/view_case.h"

#include <QString>

namespace review {

// What the user must be told about the recording files of a case before
// looking at it, in the current language; empty when there is nothing to
// say. A missing folder says nothing here: the case list reports it.
QString RecordingProblem(const views::ViewCase& shownCase);

} // namespace review
