// EditWidget: being written.
