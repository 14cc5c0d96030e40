// The window icon from a BMP file on Win32.
#include "KLAppWindow.h"
#include "KLFile.h"
#include "KLLog.h"
#include "KLPath.h"

#include <cstdio>
#include <string>
#include <vector>

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
    // An all-clear mask (every bit 0): every pixel shows, except where a 32-bit bitmap's
    // alpha says not. Its rows are whole 16-bit words.
    const int width = header.bmWidth;
    const int height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
    const std::vector<unsigned char> clear(static_cast<size_t>((width + 15) / 16 * 2) * static_cast<size_t>(height));
    HBITMAP mask = width > 0 && height > 0 ? CreateBitmap(width, height, 1, 1, clear.data()) : nullptr;
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
