namespace tivka {}
