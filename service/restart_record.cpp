// The restart record's key and its one binary value, written below "Corvane Software"
// held as itself, and read the same way.
#include <string.h>

#include "store/registry_links.h"
#include "service/restart_record.h"
#include "store/store_names.h"

// version, process id, start, list written, read known, digest, content since: little-endian,
// packed. A record of another version reads as none, and the times decide.
#define RECORD_VERSION 2
#define RECORD_SIZE (1 + 4 + 8 + 8 + 1 + 8 + 8)

unsigned long long PairListDigest(const PairRowText* rows, int rowCount)
{
    // FNV-1a over each text with its NUL, so that ("1.2", "3") and ("1.23", "") differ.
    unsigned long long digest = 14695981039346656037ULL;
    for (int row = 0; row < rowCount; ++row) {
        const char* texts[] = {rows[row].source, rows[row].destination};
        for (const char* text : texts) {
            size_t length = strnlen(text, ADDRESS_TEXT_SIZE - 1);
            for (size_t i = 0; i <= length; ++i) {
                digest ^= i < length ? (unsigned char)text[i] : 0;
                digest *= 1099511628211ULL;
            }
        }
    }
    return digest;
}

static void PutNumber(BYTE** at, unsigned long long number, int bytes)
{
    for (int i = 0; i < bytes; ++i) *(*at)++ = (BYTE)(number >> (8 * i));
}

static unsigned long long TakeNumber(const BYTE** at, int bytes)
{
    unsigned long long number = 0;
    for (int i = 0; i < bytes; ++i) number |= (unsigned long long)*(*at)++ << (8 * i);
    return number;
}

static unsigned long long TimeNumber(const FILETIME& time)
{
    return (unsigned long long)time.dwHighDateTime << 32 | time.dwLowDateTime;
}

static FILETIME NumberTime(unsigned long long number)
{
    FILETIME time = {(DWORD)number, (DWORD)(number >> 32)};
    return time;
}

// "Corvane Software" as a reading holds it, or NULL when it does not hold it as itself.
static HKEY CompanyKey(const StorePath* path)
{
    return path != NULL && !path->throughLink ? path->company : NULL;
}

bool ReadRestartRecord(const StorePath* path, RestartRecord* record)
{
    HKEY company = CompanyKey(path), recordKey;
    bool opened = company != NULL && OpenPlainKey(company, RESTART_RECORD_KEY_NAME, KEY_QUERY_VALUE, &recordKey);
    if (!opened) return false;
    BYTE data[RECORD_SIZE + 1];
    DWORD size = sizeof data, type = REG_NONE;
    LONG status = RegQueryValueExA(recordKey, RESTART_RECORD_VALUE_NAME, NULL, &type, data, &size);
    RegCloseKey(recordKey);
    if (status != ERROR_SUCCESS || type != REG_BINARY || size != RECORD_SIZE || data[0] != RECORD_VERSION) return false;
    const BYTE* at = data + 1;
    record->processId = (DWORD)TakeNumber(&at, 4);
    record->processStarted = NumberTime(TakeNumber(&at, 8));
    record->listWritten = NumberTime(TakeNumber(&at, 8));
    record->readKnown = TakeNumber(&at, 1) != 0;
    record->readDigest = TakeNumber(&at, 8);
    record->contentSince = NumberTime(TakeNumber(&at, 8));
    return true;
}

bool WriteRestartRecord(const StorePath* path, const RestartRecord* record)
{
    BYTE data[RECORD_SIZE];
    BYTE* at = data;
    PutNumber(&at, RECORD_VERSION, 1);
    PutNumber(&at, record->processId, 4);
    PutNumber(&at, TimeNumber(record->processStarted), 8);
    PutNumber(&at, TimeNumber(record->listWritten), 8);
    PutNumber(&at, record->readKnown ? 1 : 0, 1);
    PutNumber(&at, record->readDigest, 8);
    PutNumber(&at, TimeNumber(record->contentSince), 8);
    HKEY company = CompanyKey(path), recordKey;
    DWORD disposition = 0;
    LONG status = company == NULL ? ERROR_FILE_NOT_FOUND
                                  : RegCreateKeyExA(company, RESTART_RECORD_KEY_NAME, 0, NULL, REG_OPTION_OPEN_LINK,
                                                    KEY_SET_VALUE | KEY_QUERY_VALUE, NULL, &recordKey, &disposition);
    if (status != ERROR_SUCCESS) return false;
    // A link planted in its place would carry the write out of our keys; a key made now is none.
    bool written = (disposition == REG_CREATED_NEW_KEY || !OpenKeyMayBeLink(recordKey)) &&
                   RegSetValueExA(recordKey, RESTART_RECORD_VALUE_NAME, 0, REG_BINARY, data, sizeof data) == ERROR_SUCCESS;
    RegCloseKey(recordKey);
    return written;
}

bool RemoveRestartRecord(void)
{
    HKEY software, company;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_QUERY_VALUE, &software) != ERROR_SUCCESS) return false;
    bool held = OpenPlainKey(software, COMPANY_KEY_NAME, KEY_READ, &company);
    RegCloseKey(software);
    // No "Corvane Software" as itself: no record of ours to remove.
    if (!held) return !KeyMayBeLink(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME "\\" COMPANY_KEY_NAME);
    char path[KEY_TREE_PATH_SIZE] = RESTART_RECORD_KEY_NAME;
    bool removed = RemoveKeyTreeNoting(company, path, NULL);
    RegCloseKey(company);
    return removed;
}

// "Corvane Software" held as itself, in a path of its own, or false.
static bool HoldCompany(REGSAM access, StorePath* path)
{
    memset(path, 0, sizeof *path);
    HKEY software;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SOFTWARE_KEY_NAME, 0, KEY_QUERY_VALUE, &software) != ERROR_SUCCESS) return false;
    bool held = OpenPlainKey(software, COMPANY_KEY_NAME, access, &path->company);
    RegCloseKey(software);
    return held;
}

bool ReadRestartRecordHere(RestartRecord* record)
{
    StorePath path;
    if (!HoldCompany(KEY_QUERY_VALUE, &path)) return false;
    bool read = ReadRestartRecord(&path, record);
    RegCloseKey(path.company);
    return read;
}

bool WriteRestartRecordHere(const RestartRecord* record)
{
    StorePath path;
    if (!HoldCompany(KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY, &path)) return false;
    bool written = WriteRestartRecord(&path, record);
    RegCloseKey(path.company);
    return written;
}

void NoteSameListRewritten(const FILETIME& before, const FILETIME& written)
{
    RestartRecord record;
    bool found = ReadRestartRecordHere(&record);
    bool current = found && TimeNumber(record.listWritten) == TimeNumber(before);
    // A record of a later write is of another writer's list: the process it names is not known
    // to have read this one.
    if (!current) memset(&record, 0, sizeof record);
    FILETIME since = current && TimeNumber(record.contentSince) != 0 ? record.contentSince : before;
    record.listWritten = written;
    record.contentSince = since;
    WriteRestartRecordHere(&record);  // without it the times decide, as before
}
