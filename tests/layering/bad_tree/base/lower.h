#pragma once

#include "model/profile/upper.h"
