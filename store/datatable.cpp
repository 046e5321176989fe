#include "store/datatable.h"
