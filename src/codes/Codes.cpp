#include "codes/Codes.h"
