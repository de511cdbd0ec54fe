#pragma once
// fw::Handle lives with the other handle owners.
#include "framework/Handles.h"
