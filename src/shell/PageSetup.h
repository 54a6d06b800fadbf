#pragma once

class QWidget;

namespace tarvik::shell {

// The frame's Page Setup: the printer dialog on the printer direct printing uses; the choice
// is kept for every later direct print. Cancelling changes nothing, and it reports no error.
void runPageSetup(QWidget* parent);

} // namespace tarvik::shell
