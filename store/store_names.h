// Where the pair list lives below HKEY_LOCAL_MACHINE and what its values are called:
// the repeater service reads exactly these names.
#pragma once

#define PRODUCT_KEY_PATH "Software\\Corvane Software\\mDNS"
#define NETWORKS_KEY_PATH "Software\\Corvane Software\\mDNS\\Networks"
// The same path one level at a time, for walks that hold each level's handle.
#define SOFTWARE_KEY_NAME "Software"
#define COMPANY_KEY_NAME "Corvane Software"
#define PRODUCT_KEY_NAME "mDNS"
#define NETWORKS_KEY_NAME "Networks"
// One pair is a subkey of Networks; the writer names them "0", "1", ... in row order.
#define PAIR_KEY_NAME_BY_NUMBER "%d"

#define VALUE_SOURCE "IPsource"
#define VALUE_DESTINATION "IPdestination"
#define VALUE_DIRECTION "Direction"
#define VALUE_ENABLED "Enabled"

// What every save writes for Direction and Enabled.
#define DIRECTION_WRITTEN "2"
#define ENABLED_WRITTEN "1"
