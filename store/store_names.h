// Where the pair list lives below HKEY_LOCAL_MACHINE and what its values are called:
// the repeater service reads exactly these names.
#pragma once

#define PRODUCT_KEY_PATH "Software\\Corvane Software\\mDNS"
#define NETWORKS_KEY_PATH "Software\\Corvane Software\\mDNS\\Networks"
// One pair is a subkey of Networks; the writer names them "0", "1", ... in row order.
#define PAIR_KEY_NAME_BY_NUMBER "%d"

#define VALUE_SOURCE "IPsource"
#define VALUE_DESTINATION "IPdestination"
#define VALUE_DIRECTION "Direction"
#define VALUE_ENABLED "Enabled"

// What every save writes for Direction and Enabled.
#define DIRECTION_WRITTEN "2"
#define ENABLED_WRITTEN "1"
