// ListWidget: being written.
