#include "converter/entities/entities.h"

void ResetEntityState() {
    ResetMoverState();
    ResetObjectState();
}
