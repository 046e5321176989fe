#include "store/datasource.h"
