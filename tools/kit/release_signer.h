// The maker's side of signed releases: key pairs and signatures. Only the Linux
// kit can sign; the Windows kit says so.
#pragma once
#include <string>

// False with a reason in *error when this build cannot sign.
bool SigningAvailable(std::string* error);

// A fresh RSA key pair of `bits` bits: the private key as PKCS#8 PEM, the public
// key as "BEGIN PUBLIC KEY" PEM.
bool GenerateRsaKeyPair(int bits, std::string* privatePem, std::string* publicPem, std::string* error);

// RSA PKCS#1 v1.5 signature with SHA-256 over `data` by the PEM private key.
// *publicPem receives the key's public half, so a caller can check its own work.
bool SignRsaSha256(const std::string& privatePem, const std::string& data, std::string* signature,
                   std::string* publicPem, std::string* error);
