// Each pair with the adapters that hold its addresses, as one JSON document.
#include "console/json_text.h"
#include "console/pairs_list_json.h"
#include "net/adapters.h"

static std::string AdapterJson(const OwnAddresses& own, const char* address)
{
    char name[ADAPTER_NAME_SIZE], network[ADDRESS_TEXT_SIZE + 4];
    if (!FindAddressHolder(own, address, name, sizeof name, network, sizeof network)) return "null";
    return "{\"name\":" + JsonString(name) + ",\"network\":" + JsonString(network) + "}";
}

std::string PairsListJson(const std::vector<PairRowText>& rows, const OwnAddresses& own)
{
    std::string json = "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        json += i ? ",\n " : "\n ";
        json += "{\"source\":" + JsonString(rows[i].source) + ",\"destination\":" + JsonString(rows[i].destination) +
                ",\"sourceAdapter\":" + AdapterJson(own, rows[i].source) +
                ",\"destinationAdapter\":" + AdapterJson(own, rows[i].destination) + "}";
    }
    return json + (rows.empty() ? "]\n" : "\n]\n");
}
