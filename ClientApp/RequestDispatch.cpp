// PLACEHOLDER: replaced by the request dispatch.
#include "ClientApp/RequestDispatch.h"

int CheckConfiguration() { return 0; }
int DispatchRequest(InstanceData*, const char*, int) { return 0; }
