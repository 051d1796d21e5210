#pragma once

#include "model/upper.h"
