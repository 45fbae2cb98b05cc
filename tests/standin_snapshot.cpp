// The stand-in's description of the registry with the Networks subtree cut out.
#include "tests/standin_snapshot.h"

#include <string.h>

#include "standin.h"
#include "store/store_names.h"

std::string OutsideTheStore(void)
{
    std::string all = StandinDescribeRegistry("Software"), kept;
    const size_t prefix = strlen(NETWORKS_KEY_PATH);
    bool inStore = false;
    for (size_t start = 0; start < all.size();) {
        size_t end = all.find('\n', start) + 1;
        std::string line = all.substr(start, end - start);
        // Key lines start at the margin; value lines are indented below their key.
        if (line[0] != ' ') {
            inStore = line.compare(0, prefix, NETWORKS_KEY_PATH) == 0 &&
                      (line[prefix] == '\\' || line[prefix] == '\n' || line[prefix] == ' ');
        }
        if (!inStore) kept += line;
        start = end;
    }
    return kept;
}
