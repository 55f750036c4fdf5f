// ScrollbuttonWidget: being written.
