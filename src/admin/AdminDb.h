// Database access of the operators' tool.
#pragma once

#include "db/DbDriver.h"
#include "db/Schema.h"

// The schema engine a service text names; false for an unknown form.
bool Admin_SchemaEngine(const char* service, SchemaEngine* engine);

// Opens a driver for the service with the login of the environment
// variables WELFRAST_LOGIN and WELFRAST_PASSWORD (empty when unset); nullptr
// and the status on failure.
DbDriver* Admin_Connect(const char* service, int flags, int* status);
