#include "kernel/progress.h"

namespace orv {

Progress::~Progress() = default;

}  // namespace orv
