// What the viewer writes to its standard output, read a chunk at a time.

#include "bridge/sessionrules.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray output(reinterpret_cast<const char *>(data), int(size));
    const ViewerToken token = viewerToken(output);
    // A token is only ever the last ten characters of the text before any zero byte.
    const QByteArray text = output.left(output.indexOf('\0') < 0 ? output.size() : output.indexOf('\0'));
    if (token == ViewerToken::FpsChanged && !text.endsWith("fpschanged"))
        std::abort();
    if (token == ViewerToken::CloseOrder && !text.endsWith("closeorder"))
        std::abort();
    return 0;
}
