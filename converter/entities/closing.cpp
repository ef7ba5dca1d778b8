// State of the closing entity pass.
#include "converter/entities/closing.h"

#include "converter/entities/entities.h"

void ResetObjectState() {
    object_state = ObjectState{-1, 0};
}
