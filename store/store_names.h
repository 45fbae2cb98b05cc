// Where the pair list lives below HKEY_LOCAL_MACHINE and what one row of it holds: the
// repeater service reads exactly these names and texts. Every part of the program that
// reads, writes, compares, exports or imports a row takes its layout from here.
#pragma once

#define SOFTWARE_KEY_NAME "Software"
#define COMPANY_KEY_NAME "Corvane Software"
#define PRODUCT_KEY_NAME "mDNS"
#define NETWORKS_KEY_NAME "Networks"
#define PRODUCT_KEY_PATH SOFTWARE_KEY_NAME "\\" COMPANY_KEY_NAME "\\" PRODUCT_KEY_NAME
#define NETWORKS_KEY_PATH PRODUCT_KEY_PATH "\\" NETWORKS_KEY_NAME
// Beside Networks, below the product key: the new list while a save builds it, and an old
// list the save replaced, until it is removed ("Networks (replaced 2)" when the first name
// is still taken by one that could not be removed). The repeater service reads neither.
// Keep the order these names sort in: "Networks" < "Networks (new)" < "Networks (replaced)".
// Each rename of the swap then moves a key past its next sibling, or to its left; Wine 8.0
// loses the next sibling when a key is renamed to a name that sorts between its own and that
// sibling's.
#define BUILDING_KEY_NAME "Networks (new)"
// The second name to build under, when the first is a key the save may not remove (one a
// link at Networks names, or one that refuses removal).
#define BUILDING_KEY_NAME_2 "Networks (new 2)"
#define REPLACED_KEY_NAME "Networks (replaced)"
#define REPLACED_KEY_NAME_BY_NUMBER "Networks (replaced %d)"
#define REPLACED_KEY_NAMES 9
// On an old list held aside for its readers: when it was put aside, when its readers' grace
// ends (both UTC FILETIMEs) and how many pair keys it had, so that any program's save leaves
// it alone until then and notices a writer that changed it since.
#define HOLD_MARK_VALUE_NAME "Held for readers"
// The same key as .reg files and messages name it.
#define NETWORKS_REG_PATH "HKEY_LOCAL_MACHINE\\" NETWORKS_KEY_PATH
// One pair is a subkey of Networks; the writer names them "0", "1", ... in row order.
#define PAIR_KEY_NAME_BY_NUMBER "%d"

#define VALUE_SOURCE "IPsource"
#define VALUE_DESTINATION "IPdestination"
#define VALUE_DIRECTION "Direction"
#define VALUE_ENABLED "Enabled"

// What every save writes for Direction and Enabled.
#define DIRECTION_WRITTEN "2"
#define ENABLED_WRITTEN "1"

// The four values of a row, in the order the save writes them.
#define PAIR_VALUE_COUNT 4
enum PairValue {
    PAIR_VALUE_SOURCE,
    PAIR_VALUE_DESTINATION,
    PAIR_VALUE_DIRECTION,
    PAIR_VALUE_ENABLED,
};
extern const char* const PairValueNames[PAIR_VALUE_COUNT];

struct PairRowText;
// The texts a save writes for `row`, by PairValue.
void PairValueTexts(const PairRowText* row, const char* texts[PAIR_VALUE_COUNT]);
// The PairValue whose name is exactly `name` (case and all), or -1.
int PairValueByName(const char* name);
