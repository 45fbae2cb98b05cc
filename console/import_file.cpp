// Reading an import file: bounded in size, decoded, parsed, and every text checked as it
// stands, so that what is stored is what the file holds.
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "console/errors_said.h"
#include "console/address_arguments.h"
#include "console/import_file.h"
#include "console/wanted_list.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "audit/printable_text.h"
#include "console/pairs_texts.h"
#include "store/store_names.h"

#define MESSAGE_SIZE 640
// Far beyond any real list (10,000 pairs export to about 1.3 MB, twice that in UTF-16).
#define IMPORT_FILE_LIMIT (8 * 1024 * 1024)

// The whole file, refused before it is read when it is larger than any export could be.
// False with errno's reason, or with `tooLarge`.
static bool ReadWholeFile(const char* path, std::string* bytes, bool* tooLarge, int* error)
{
    *tooLarge = false;
    FILE* file = fopen(path, "rb");
    *error = errno;
    if (file == NULL) return false;
    bool read = fseek(file, 0, SEEK_END) == 0;
    long size = read ? ftell(file) : -1;
    *tooLarge = size > IMPORT_FILE_LIMIT;
    read = read && size >= 0 && !*tooLarge && fseek(file, 0, SEEK_SET) == 0;
    if (read) {
        bytes->resize((size_t)size);
        read = size == 0 || fread(&(*bytes)[0], 1, (size_t)size, file) == (size_t)size;
    }
    *error = read ? 0 : errno;
    fclose(file);
    return read;
}

// The path as typed; only a path with control characters is shown escaped.
static std::string PathAsTyped(const char* path)
{
    for (const char* p = path; *p; ++p)
        if ((unsigned char)*p < 0x20 || *p == 0x7f) return ShortenedArgument(path);
    return path;
}

static bool Usage(const char* message, int* exitCode)
{
    SayError(message);
    SayUsageHint();
    *exitCode = PAIRS_USAGE;
    return false;
}

bool ReadImportFile(const char* path, std::vector<PairRowText>* rows, int* exitCode)
{
    std::string bytes, text, why;
    bool tooLarge;
    int error;
    char message[MESSAGE_SIZE];
    std::string shown = PathAsTyped(path);
    if (!ReadWholeFile(path, &bytes, &tooLarge, &error)) {
        if (tooLarge) snprintf(message, sizeof message, TEXT_PAIRS_FILE_TOO_LARGE, shown.c_str(), IMPORT_FILE_LIMIT >> 20);
        else snprintf(message, sizeof message, TEXT_PAIRS_NO_FILE, shown.c_str(), error ? strerror(error) : "read error");
        return Usage(message, exitCode);
    }
    std::vector<int> lines;
    if (!DecodeRegFile(bytes, &text, &why) || !ParsePairsExport(text, rows, &why, &lines)) {
        snprintf(message, sizeof message, TEXT_PAIRS_NOT_AN_EXPORT, shown.c_str(), why.c_str());
        return Usage(message, exitCode);
    }
    for (size_t i = 0; i < rows->size(); ++i) {
        const char* texts[] = {(*rows)[i].source, (*rows)[i].destination};
        for (int side = 0; side < 2; ++side) {
            if (IsAddressText(texts[side])) continue;
            snprintf(message, sizeof message, TEXT_PAIRS_NOT_AN_ADDRESS, shown.c_str(), lines[i],
                     PairValueNames[side == 0 ? PAIR_VALUE_SOURCE : PAIR_VALUE_DESTINATION],
                     PrintableText(texts[side]).c_str());
            return Usage(message, exitCode);
        }
    }
    *exitCode = CheckWantedList(*rows);
    return *exitCode == PAIRS_UNCHANGED;
}
