// Implemented in a later step.
