// A .reg file's bytes as the code page's text: UTF-16LE with its mark, UTF-8 with or without
// one, or the code page's own bytes.
#include <string.h>

#include <string>
#include <vector>

#include <windows.h>

#include "console/pairs_export.h"
#include "console/pairs_texts.h"

// The UTF-16 of a file in UTF-16LE after its mark, or in UTF-8 (with or without its mark).
static bool WideFromBytes(const std::string& bytes, bool utf16, std::vector<WCHAR>* wide, std::string* why)
{
    if (utf16) {
        if (bytes.size() % 2 != 0) {
            *why = TEXT_IMPORT_ODD_UTF16;
            return false;
        }
        wide->resize((bytes.size() - 2) / 2);
        if (!wide->empty()) memcpy(wide->data(), bytes.data() + 2, wide->size() * sizeof(WCHAR));
        return true;
    }
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int units = bytes.size() == skip ? 0
              : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, (int)(bytes.size() - skip), NULL, 0);
    if (units <= 0 && bytes.size() > skip) {
        *why = TEXT_IMPORT_NOT_UTF8;
        return false;
    }
    wide->resize(units);
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + skip, (int)(bytes.size() - skip), wide->data(), units);
    return true;
}

bool DecodeRegFile(const std::string& bytes, std::string* text, std::string* why)
{
    std::vector<WCHAR> wide;
    bool utf16 = bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE;
    bool utf8 = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (!utf16 && !utf8) {
        // Without a mark: REGEDIT4 is the code page's; a version 5.00 file that is valid
        // UTF-8 is UTF-8 (plain ASCII reads the same either way).
        utf8 = bytes.compare(0, 36, "Windows Registry Editor Version 5.00") == 0 &&
               MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), NULL, 0) > 0;
        if (!utf8) {
            *text = bytes;
            return true;
        }
    }
    if (!WideFromBytes(bytes, utf16, &wide, why)) return false;
    text->assign(wide.size(), '\0');
    BOOL lost = FALSE;
    if (!wide.empty() &&
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), (int)wide.size(), &(*text)[0], (int)text->size(),
                            NULL, &lost) != (int)wide.size()) {
        *why = TEXT_IMPORT_UNCONVERTIBLE;
        return false;
    }
    if (lost) {
        *why = TEXT_IMPORT_OUTSIDE_CODE_PAGE;
        return false;
    }
    return true;
}
