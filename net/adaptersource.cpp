#include "net/adaptersource.h"

#include "net/oserror.h"

std::string AdapterSource::ErrorText(std::uint32_t code) const {
    return SysErrorMessage(code);
}
