// The recorder's resource table (strings, menus, toolbar, forms, pictures).
#pragma once

#include "toolkit/resources.h"

const ResourceTable& RecorderResources();
