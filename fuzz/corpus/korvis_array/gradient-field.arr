10. 0. -150. 0. 31 1          dX, dZ, X0, Z0, nPos, nSpac
-300. 0. 300. 0. 0. 19 0          XA, ZA, XB, ZB, XMN, keyArr, iDir
300.          spacing (sets the wavenumber range; AB/2)
