// Placeholder until the receive chain lands: the channel command.
#include "ModemArgs.h"
namespace modem {
int runChannel(int, char**) { throw UsageError("channel is not built yet"); }
}  // namespace modem
