#pragma once
#include "datafiles/fixtures.h"
