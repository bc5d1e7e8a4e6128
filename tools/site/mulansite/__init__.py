"""mulan-site: a small music site serving a folder of audio files as search, play and lyrics pages."""
