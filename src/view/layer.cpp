// Keeps the layer's library non-empty until its first module lands.
