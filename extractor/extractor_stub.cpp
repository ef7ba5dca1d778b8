// Placeholder until the texture extractor is written.
