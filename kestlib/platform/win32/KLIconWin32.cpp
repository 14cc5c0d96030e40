// The window icon from a BMP file on Win32.
#include "KLAppWindow.h"
#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <cstdio>
#include <string>

#include "KLWindowsApi.h"

namespace KL {

IconHandle LoadIconImage(const char* path) {
    if (!path) return nullptr;
    const std::string file = ResolveDataPath(path);
    FILE* probe = OpenRegularFile(file.c_str());
    if (!probe) {
        LogMessage("No window icon from %s: no such file, or not a regular file", path);
        return nullptr;
    }
    std::fclose(probe);
    HBITMAP colour = static_cast<HBITMAP>(
        LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!colour) {
        LogMessage("No window icon from %s: not a bitmap the system can read", path);
        return nullptr;
    }
    BITMAP header = {};
    GetObjectA(colour, sizeof(header), &header);
    // An all-clear mask: every pixel shows, except where a 32-bit bitmap's alpha says not.
    HBITMAP mask = CreateBitmap(header.bmWidth, header.bmHeight < 0 ? -header.bmHeight : header.bmHeight, 1, 1,
                                nullptr);
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = colour;
    HICON icon = mask ? CreateIconIndirect(&info) : nullptr;
    // The icon holds copies of both bitmaps.
    if (mask) DeleteObject(mask);
    DeleteObject(colour);
    if (!icon) LogMessage("No window icon from %s: the system could not make an icon of it", path);
    return icon;
}

}  // namespace KL
