message(FATAL_ERROR "${MESSAGE}")
