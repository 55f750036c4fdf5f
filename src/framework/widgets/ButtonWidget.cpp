// ButtonWidget: being written.
