#include "app/session/termination_signals.h"

namespace zel::app {

TerminationSignals::TerminationSignals() : SignalDescriptor(kTerminationSignals) {}

}  // namespace zel::app
