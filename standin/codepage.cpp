// Windows-1252 and UTF-8 between single-byte text and UTF-16, as MultiByteToWideChar and
// WideCharToMultiByte convert them on a machine whose ANSI code page is 1252.
#include "standin.h"

namespace {

// 0x80 to 0x9F of Windows-1252; the five bytes it leaves undefined map to themselves.
const WCHAR kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

WCHAR Widened(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

// The byte that stands for `unit`, or -1.
int Narrowed(WCHAR unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == unit) return 0x80 + i;
    return -1;
}

// Decodes UTF-8 into UTF-16; -1 on a malformed sequence.
int DecodeUtf8(const unsigned char* text, int length, WCHAR* wide, int size)
{
    int count = 0;
    for (int i = 0; i < length;) {
        unsigned long code = text[i];
        int extra = code < 0x80 ? 0 : (code & 0xE0) == 0xC0 ? 1 : (code & 0xF0) == 0xE0 ? 2 : (code & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + extra >= length + (extra == 0 ? 1 : 0)) return -1;
        if (extra > 0) code &= 0x3F >> extra;
        for (int k = 1; k <= extra; ++k) {
            if ((text[i + k] & 0xC0) != 0x80) return -1;
            code = code << 6 | (text[i + k] & 0x3F);
        }
        i += extra + 1;
        int units = code >= 0x10000 ? 2 : 1;
        if (wide != nullptr && count + units > size) return -2;
        if (wide != nullptr) {
            if (units == 2) {
                wide[count] = (WCHAR)(0xD800 + ((code - 0x10000) >> 10));
                wide[count + 1] = (WCHAR)(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                wide[count] = (WCHAR)code;
            }
        }
        count += units;
    }
    return count;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, const char* text, int length, WCHAR* wide, int size)
{
    // As Windows: a size with no buffer is no size.
    if (text == nullptr || (codePage != CP_ACP && codePage != CP_UTF8) || (wide == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (length < 0) {
        length = 0;
        while (text[length] != 0) ++length;
        ++length;  // the NUL counts
    }
    if (codePage == CP_UTF8) {
        int count = DecodeUtf8((const unsigned char*)text, length, size == 0 ? nullptr : wide, size);
        if (count == -1) SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return count < 0 ? 0 : count;
    }
    if (size == 0) return length;
    if (wide == nullptr || size < length) return 0;
    for (int i = 0; i < length; ++i) wide[i] = Widened((unsigned char)text[i]);
    return length;
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, const WCHAR* wide, int wideLength, char* text, int size,
                               const char* defaultChar, BOOL* usedDefault)
{
    if (wide == nullptr || codePage != CP_ACP || (text == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int length = 0;
    if (wideLength < 0) {
        while (wide[length] != 0) ++length;
        ++length;  // the NUL counts
    } else {
        length = wideLength;
    }
    if (size == 0) return length;
    if (text == nullptr || size < length) return 0;
    bool replaced = false;
    for (int i = 0; i < length; ++i) {
        int byte = Narrowed(wide[i]);
        if (byte < 0) replaced = true;
        text[i] = byte >= 0 ? (char)byte : defaultChar ? *defaultChar : '?';
    }
    if (usedDefault) *usedDefault = replaced;
    return length;
}

BOOL WINAPI IsWow64Process(HANDLE, BOOL* wow64)
{
    *wow64 = FALSE;  // a native process is no 32-bit guest of a 64-bit system
    return TRUE;
}

HANDLE WINAPI GetCurrentProcess(void)
{
    return (HANDLE)(intptr_t)-1;
}
