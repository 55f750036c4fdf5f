// DialogButton: being written.
