// Placeholder until the receive chain lands: the decode command.
#include "ModemArgs.h"
namespace modem {
int runDecode(int, char**) { throw UsageError("decode is not built yet"); }
}  // namespace modem
