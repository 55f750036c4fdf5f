// Checkbox: being written.
