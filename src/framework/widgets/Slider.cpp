// Slider: being written.
