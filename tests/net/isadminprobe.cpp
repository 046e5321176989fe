// Test helper: asks the administrator check and ends with 1 for true, 0 for false.
// "isadminprobe hide-networkmanager" first hides a running NetworkManager (2 when it
// cannot), so that capabilities decide.
#include "childcheck.h"
#include "net/admin.h"

#include <string>

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "hide-networkmanager" && !hideNetworkManager())
        return kCouldNotPrepare;
    return isAdminAnswer();
}
