// ScrollbarWidget: being written.
