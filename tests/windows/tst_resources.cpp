// The executable's resource script, compiled with the Windows resource compiler and read back from this program's
// own resources: one icon group IDI_ICON1 with a single 128 x 128 image with alpha, and the manifest.

#include "plaincheck.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

#pragma pack(push, 2)
// An icon group as stored in a resource (the on-disk icon directory, with resource ids instead of file offsets).
struct GroupIconEntry
{
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupIcon
{
    WORD reserved;
    WORD type;
    WORD count;
    GroupIconEntry entries[1];
};
#pragma pack(pop)

std::string resourceBytes(LPCWSTR name, LPCWSTR type)
{
    HRSRC resource = FindResourceW(nullptr, name, type);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void *data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string(static_cast<const char *>(data), SizeofResource(nullptr, resource)) : std::string();
}

} // namespace

PLAIN_TEST(theIconGroupHoldsOne128PixelImageWithAlpha)
{
    const std::string group = resourceBytes(L"IDI_ICON1", MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    CHECK(group.size() == sizeof(GroupIcon));
    if (group.size() != sizeof(GroupIcon))
        return;
    GroupIcon icon;
    std::memcpy(&icon, group.data(), sizeof icon);
    CHECK(icon.type == 1 && icon.count == 1);
    CHECK(icon.entries[0].width == 128 && icon.entries[0].height == 128);
    CHECK(icon.entries[0].bitCount == 32);

    // The image itself is PNG-compressed, as Windows reads icons since Vista: colour type 6 is RGB with alpha.
    const std::string image = resourceBytes(MAKEINTRESOURCEW(icon.entries[0].id), MAKEINTRESOURCEW(3)); // RT_ICON
    CHECK(image.size() == icon.entries[0].bytes);
    CHECK(image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0);
    CHECK(image.size() > 25 && image[25] == 6);
}

PLAIN_TEST(theManifestAsksToRunAsTheInvokerWithoutUiAccess)
{
    const std::string manifest = resourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    CHECK(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>") != std::string::npos);
}

int main()
{
    return PlainCheck::runAll("TestResources");
}
