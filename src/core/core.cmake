kolvane_add_library(kv_core
  SOURCES component.cpp emails.cpp emails_storage.cpp
  DEPS kv_message kv_storage kv_system)
